#include "gui/messages.h"

#include <QMessageBox>

namespace eiyou {

namespace {
const char kBoxTitle[] = "栄養分析";

void ShowBox(QMessageBox::Icon icon, QWidget* parent, const QString& text) {
  QMessageBox box(icon, QString::fromUtf8(kBoxTitle), text, QMessageBox::Ok, parent);
  // Paths and typed texts may look like markup; show them as they are.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}
}  // namespace

void ShowMessage(QWidget* parent, const QString& text) {
  ShowBox(QMessageBox::NoIcon, parent, text);
}

void ShowError(QWidget* parent, const QString& text) {
  ShowBox(QMessageBox::Critical, parent, text);
}

void ShowUnusableText(QWidget* parent, const QString& typed) {
  ShowMessage(parent, QStringLiteral("この文字は使えません：「%1」！").arg(typed));
}

void BoxMessageSink::Show(const std::string& utf8Text) {
  ShowMessage(parent_, QString::fromStdString(utf8Text));
}

}  // namespace eiyou
