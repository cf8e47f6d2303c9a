// CP932 bytes at the widget boundary: tables and dish lines stay CP932 in
// memory and become widget text only here.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace eiyou {

// CP932 bytes -> widget text (invalid bytes show as U+FFFD).
QString ToQ(std::string_view cp932);
// Widget text -> CP932 bytes; false when a character has no CP932 code.
bool FromQ(const QString& text, std::string& out);
// Widget text as UTF-8 bytes, for the core's readers of typed text.
std::string Utf8Of(const QString& text);
// A UTF-8 literal or text as widget text.
inline QString U(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace eiyou
