// CP932 (Windows-31J) <-> UTF-8 at the edge of the user interface.
#pragma once

#include <string>
#include <string_view>

namespace eiyou {

// Decodes CP932 bytes; every byte that is not valid CP932 becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);
// The same by running iconv over the text: what Cp932ToUtf8 must equal.
std::string Cp932ToUtf8ByIconv(std::string_view cp932);

// Encodes UTF-8 into CP932. Returns false (and leaves `out` unspecified) when a
// character has no CP932 code or the UTF-8 is malformed.
bool Utf8ToCp932(std::string_view utf8, std::string& out);

// True when `text` is well-formed UTF-8 (no surrogates, no overlong forms).
bool IsValidUtf8(std::string_view text);
// The text of a file that may be written in either: `bytes` themselves (a
// byte order mark dropped) when they are well-formed UTF-8, else `decoded`,
// which receives them decoded from CP932. Japanese CP932 text is hardly ever
// well-formed UTF-8, so a file saved by either kind of editor reads right.
std::string_view Utf8OrCp932Text(std::string_view bytes, std::string& decoded);

// Convenience for literals known to be encodable.
std::string Cp932(std::string_view utf8);

}  // namespace eiyou
