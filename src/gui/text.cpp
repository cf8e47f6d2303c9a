#include "gui/text.h"

#include <QByteArray>

#include "tables/cp932.h"

namespace eiyou {

QString ToQ(std::string_view cp932) { return U(Cp932ToUtf8(cp932)); }

bool FromQ(const QString& text, std::string& out) { return Utf8ToCp932(Utf8Of(text), out); }

std::string Utf8Of(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

}  // namespace eiyou
