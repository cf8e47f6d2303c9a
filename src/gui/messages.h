// The modal message boxes, and the guard that ends a user action on a file
// error with the error box.
#pragma once

#include <QMessageBox>
#include <QString>
#include <string>
#include <vector>

#include "tables/errors.h"

class QWidget;

namespace eiyou {

// Modal message box, single OK button, the exact text.
void ShowMessage(QWidget* parent, const QString& text);
// Modal error box (a file that cannot be read or created).
void ShowError(QWidget* parent, const QString& text);
// Tells the user that a typed text has a character the files cannot hold.
void ShowUnusableText(QWidget* parent, const QString& typed);

// A button of a question box: its caption and role.
struct Answer {
  QString text;
  QMessageBox::ButtonRole role;
};
// A modal question titled "確認" with a question icon and `answers` as its
// buttons; `byDefault` answers Enter, `onEscape` Escape and the close box.
// Returns the index of the answer given.
int AskQuestion(QWidget* parent, const QString& text, const std::vector<Answer>& answers,
                int byDefault, int onEscape);
// A question with two answers of its own (UTF-8); true for `yes`. `no` is the
// default, and what Escape and the close box answer.
bool Confirm(QWidget* parent, const QString& text, const char* yes, const char* no);

// A save refused because another user changed what the window read (UTF-8
// `message`, naming what the user tried to store): true when the user
// chooses to read it again.
bool AskReload(QWidget* parent, const std::string& message);

// MessageSink over ShowMessage.
class BoxMessageSink : public MessageSink {
 public:
  explicit BoxMessageSink(QWidget* parent) : parent_(parent) {}
  void Show(const std::string& utf8Text) override;

 private:
  QWidget* parent_;
};

// Runs a handler body; an IoError ends it with the error box.
template <class F>
void Guarded(QWidget* parent, F&& body) {
  try {
    body();
  } catch (const IoError& e) {
    ShowError(parent, QString::fromUtf8(e.what()));
  }
}

}  // namespace eiyou
