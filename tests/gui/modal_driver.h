// Drives modal windows and message boxes from inside their nested event loops.
//
// Queue the steps you expect, in order, then trigger the action that opens the
// first modal (for example click a button of the main window). A poll (a fresh
// single-shot timer every few ms, so it also runs inside nested exec() loops)
// waits for each expected modal to become the active modal widget and runs its
// step. A step that does not come within the timeout, or a modal nobody
// expected, is recorded as an error and the offending modal is closed, so a
// test fails instead of hanging.
#pragma once

#include <QDir>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>

class QAbstractButton;
class QListWidget;
class QWidget;

class ModalDriver : public QObject {
  Q_OBJECT
 public:
  explicit ModalDriver(int timeoutMs = 5000);
  ~ModalDriver() override;

  // The next modal must be the window whose objectName is `objectName`
  // ("TForm2" ...); `act` runs on it once it is shown. If `act` leaves the
  // window open, the driver does not close it: do that in `act`.
  ModalDriver& Window(const QString& objectName, std::function<void(QWidget*)> act);

  // The next modal must be a QMessageBox. Its text is appended to messages().
  // `expectedText` (when not null) must equal the text. `button` is the text of
  // the button to press; empty presses the default/OK button. `escape` = true
  // closes the box with the Escape key instead.
  ModalDriver& Message(const QString& expectedText = QString(), const QString& button = QString(),
                       bool escape = false);

  // All queued steps ran and nothing unexpected happened.
  bool Done() const { return steps_.empty() && errors_.isEmpty(); }
  const QStringList& messages() const { return messages_; }
  const QStringList& errors() const { return errors_; }
  // A readable account of what went wrong (for QVERIFY2).
  QByteArray Report() const;

 private:
  struct Step {
    bool isMessage = false;
    QString objectName;
    std::function<void(QWidget*)> act;
    QString expectedText;
    QString button;
    bool escape = false;
  };
  void Poll();
  void Schedule();
  void Fail(const QString& why, QWidget* offender);

  std::deque<Step> steps_;
  QStringList messages_;
  QStringList errors_;
  QList<QPointer<QWidget>> handled_;
  int timeoutMs_;
  qint64 waitingSince_ = 0;
  bool stopped_ = false;
};

// A fresh temporary directory made the working directory (where the program
// looks for its files); the previous working directory comes back afterwards.
class ScopedWorkDir {
 public:
  ScopedWorkDir() : old_(QDir::currentPath()) {
    ok_ = tmp_.isValid() && QDir::setCurrent(tmp_.path());
  }
  ~ScopedWorkDir() { QDir::setCurrent(old_); }
  ScopedWorkDir(const ScopedWorkDir&) = delete;
  ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;
  bool ok() const { return ok_; }
  QString path() const { return tmp_.path(); }

 private:
  QString old_;
  QTemporaryDir tmp_;
  bool ok_ = false;
};

// Finds a child by objectName and type; fails the current test if missing.
template <class T>
T* Child(QWidget* parent, const char* name);

// Clicks a button (QAbstractButton) found by objectName.
void ClickButton(QWidget* window, const char* name);

// A mouse click on a row, as a user does it.
void ClickRow(QListWidget* list, int row);
// The shown texts of a list's items.
QStringList Items(const QListWidget* list);

// The `act` of a ModalDriver window step that always ends the window's modal
// showing, even when a check inside `act` fails and returns early.
std::function<void(QWidget*)> Closing(std::function<void(QWidget*)> act);

#include "modal_driver_impl.h"
