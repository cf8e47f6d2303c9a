// Comma splitting and the guarded substring helpers. Texts are CP932 bytes;
// positions and counts are byte positions (1-based where noted).
#pragma once

#include <cstddef>
#include <functional>
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

// Reads a text file as lines: a line ends at CR (an LF right after it is
// skipped); a lone LF stays in the line; byte 0x1A ends the file. Throws IoError
// ("ﾌｧｲﾙ <path> を読み込めません。") when the file exists but cannot be read:
// no permission or no read bit at all, a directory or anything but a regular file.
std::vector<std::string> ReadTableLines(const std::string& path);

// The same, keeping at most `maxLines` lines; `*moreLines` (when given) tells
// whether the file holds further lines that were not read.
std::vector<std::string> ReadTableLines(const std::string& path, std::size_t maxLines,
                                        bool* moreLines);

class MessageSink;

// The loader shared by the table files: CheckDataFile on `fileName` in the data
// directory (nothing happens when it reports the file unavailable), then line r
// of at most `maxRows` lines, split into `fields` fields, goes to store(r, ...).
// Rows after the last line read are not touched. Returns true when the file
// holds further lines that were not read.
bool LoadTableFile(const char* fileName, int maxRows, int fields, MessageSink& sink,
                   const std::function<void(int row, std::vector<std::string>& fields)>& store);

// The same without the split: store(r, line) may take the line's bytes.
bool LoadTableLines(const char* fileName, int maxRows, MessageSink& sink,
                    const std::function<void(int row, std::string& line)>& store);

}  // namespace eiyou
