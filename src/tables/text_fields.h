// Comma splitting and the guarded substring helpers. Texts are CP932 bytes;
// positions and counts are byte positions (1-based where noted).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace eiyou {

// Splits `line` into n + 1 fields: fields 1..n end at the first n commas, a
// missing comma empties that field and every later one, field n + 1 is the rest.
std::vector<std::string> SplitFields(std::string_view line, int n);

// The same fields as byte offsets and sizes in `line`, written to
// begin[0..n] and size[0..n] (an emptied field is offset 0, size 0).
void SplitFieldBounds(std::string_view line, int n, std::size_t* begin, std::size_t* size);

// Copies `count` bytes from 1-based position `from` into `destination`, but only
// when count < length and from + count - 1 <= length; otherwise leaves it alone.
void CopyPart(std::string_view text, long long from, long long count, std::string& destination);

// Copies the first `count` bytes into `destination` only when count < length.
void LeftPart(std::string_view text, long long count, std::string& destination);

// Every piece of a text between `separator`s, empty ones included; an empty
// text is one empty piece. No quoting or escaping.
std::vector<std::string> SplitAt(std::string_view text, char separator);
// `text` with every byte but ASCII letters, digits and those in `plain`
// written %XX (upper-case hex): a file URI's path, a stored name.
std::string PercentEncoded(std::string_view text, std::string_view plain);
// The same pieces as views into `text`, for readers that only look at them.
std::vector<std::string_view> SplitViewsAt(std::string_view text, char separator);
// A CSV cell as RFC 4180 writes it: quoted when it holds a comma, a quote or
// a line end, its quotes doubled.
std::string CsvField(std::string_view text);
// `text` without the spaces, tabs and ideographic spaces (UTF-8 U+3000) a
// user typed around it, in any mix: a cell of a CSV file typed by hand.
std::string_view TrimmedCell(std::string_view text);
// The same at commas: the pieces of a dish line.
inline std::vector<std::string> SplitAtCommas(std::string_view text) { return SplitAt(text, ','); }

}  // namespace eiyou
