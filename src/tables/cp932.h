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

// Convenience for literals known to be encodable.
std::string Cp932(std::string_view utf8);

}  // namespace eiyou
