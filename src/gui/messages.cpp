#include "gui/messages.h"

#include <QMessageBox>
#include <QPushButton>

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

int AskQuestion(QWidget* parent, const QString& text, const std::vector<Answer>& answers,
                int byDefault, int onEscape) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), text, QMessageBox::NoButton, parent);
  std::vector<QPushButton*> buttons;
  for (const Answer& a : answers) buttons.push_back(box.addButton(a.text, a.role));
  box.setDefaultButton(buttons.at(static_cast<std::size_t>(byDefault)));
  box.setEscapeButton(buttons.at(static_cast<std::size_t>(onEscape)));
  box.exec();
  for (std::size_t i = 0; i < buttons.size(); ++i)
    if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
  return onEscape;
}

bool Confirm(QWidget* parent, const QString& text, const char* yes, const char* no) {
  return AskQuestion(parent, text,
                     {{QString::fromUtf8(yes), QMessageBox::AcceptRole},
                      {QString::fromUtf8(no), QMessageBox::RejectRole}},
                     1, 1) == 0;
}

bool AskReload(QWidget* parent, const std::string& message) {
  return Confirm(parent,
                 QString::fromStdString(message + "\n\n今の内容を読み込み直しますか？"
                                                  "（変更しようとした内容は、読み込み直した後にもう一度入れてください。）"),
                 "読み込み直す", "読み込み直さない");
}

void BoxMessageSink::Show(const std::string& utf8Text) {
  ShowMessage(parent_, QString::fromStdString(utf8Text));
}

}  // namespace eiyou
