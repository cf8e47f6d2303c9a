#include "modal_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QKeyEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

ModalDriver::ModalDriver(int timeoutMs) : timeoutMs_(timeoutMs) {
  waitingSince_ = QDateTime::currentMSecsSinceEpoch();
  Schedule();
}

ModalDriver::~ModalDriver() { stopped_ = true; }

ModalDriver& ModalDriver::Window(const QString& objectName, std::function<void(QWidget*)> act) {
  Step s;
  s.objectName = objectName;
  s.act = std::move(act);
  if (steps_.empty()) waitingSince_ = QDateTime::currentMSecsSinceEpoch();
  steps_.push_back(std::move(s));
  return *this;
}

ModalDriver& ModalDriver::Message(const QString& expectedText, const QString& button,
                                  bool escape) {
  Step s;
  s.isMessage = true;
  s.expectedText = expectedText;
  s.button = button;
  s.escape = escape;
  if (steps_.empty()) waitingSince_ = QDateTime::currentMSecsSinceEpoch();
  steps_.push_back(std::move(s));
  return *this;
}

QByteArray ModalDriver::Report() const {
  QString r;
  for (const QString& e : errors_) r += e + "\n";
  if (!steps_.empty()) r += QString("%1 expected step(s) never ran\n").arg(steps_.size());
  r += "messages seen: " + messages_.join(" | ");
  return r.toUtf8();
}

void ModalDriver::Schedule() {
  QPointer<ModalDriver> self(this);
  QTimer::singleShot(5, [self] {
    if (self && !self->stopped_) self->Poll();
  });
}

void ModalDriver::Fail(const QString& why, QWidget* offender) {
  errors_ << why;
  if (!offender) return;
  if (auto* box = qobject_cast<QMessageBox*>(offender)) {
    messages_ << box->text();
    box->done(QMessageBox::Cancel);
  } else if (auto* dialog = qobject_cast<QDialog*>(offender)) {
    dialog->reject();
  } else {
    offender->close();
  }
}

void ModalDriver::Poll() {
  // Keep polling from a fresh timer: this callback may block in a nested loop.
  Schedule();
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  QWidget* modal = QApplication::activeModalWidget();
  bool fresh = modal && modal->isVisible();
  for (const auto& h : handled_)
    if (h == modal) fresh = false;

  if (!fresh) {
    if (!steps_.empty() && now - waitingSince_ > timeoutMs_) {
      const Step& s = steps_.front();
      errors_ << (s.isMessage ? QString("message box never came (expected \"%1\")").arg(s.expectedText)
                              : QString("window %1 never came").arg(s.objectName));
      steps_.clear();
    }
    return;
  }

  if (steps_.empty()) {
    if (now - waitingSince_ > timeoutMs_) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      Fail(QString("unexpected modal %1%2")
               .arg(modal->objectName(), box ? ": " + box->text() : QString()),
           modal);
      waitingSince_ = now;
    }
    return;
  }

  Step step = steps_.front();
  auto* box = qobject_cast<QMessageBox*>(modal);
  const bool matches = step.isMessage ? box != nullptr : modal->objectName() == step.objectName;
  if (!matches) {
    if (now - waitingSince_ > timeoutMs_) {
      steps_.pop_front();
      Fail(QString("expected %1, got %2%3")
               .arg(step.isMessage ? "a message box" : step.objectName, modal->objectName(),
                    box ? ": " + box->text() : QString()),
           modal);
      waitingSince_ = now;
    }
    return;
  }

  steps_.pop_front();
  handled_ << modal;
  waitingSince_ = now;
  if (step.isMessage) {
    messages_ << box->text();
    if (!step.expectedText.isNull() && box->text() != step.expectedText)
      errors_ << QString("message \"%1\", expected \"%2\"").arg(box->text(), step.expectedText);
    if (step.escape) {
      QTest::keyClick(box, Qt::Key_Escape);
      return;
    }
    QAbstractButton* target = nullptr;
    for (QAbstractButton* b : box->buttons())
      if (!step.button.isEmpty() && b->text() == step.button) target = b;
    if (!target && step.button.isEmpty()) target = box->defaultButton();
    if (!target && step.button.isEmpty() && box->buttons().size() == 1) target = box->buttons().first();
    if (!target) {
      Fail(QString("no button \"%1\" in message \"%2\"").arg(step.button, box->text()), box);
      return;
    }
    target->click();
    return;
  }
  if (step.act) step.act(modal);
}

void ClickButton(QWidget* window, const char* name) {
  auto* b = Child<QAbstractButton>(window, name);
  if (b) b->click();
}

std::function<void(QWidget*)> Closing(std::function<void(QWidget*)> act) {
  return [act](QWidget* w) {
    struct Closer {
      QWidget* w;
      ~Closer() {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (dialog && dialog->isVisible()) dialog->reject();
      }
    } closer{w};
    act(w);
  };
}

void ClickRow(QListWidget* list, int row) {
  QListWidgetItem* item = list->item(row);
  QVERIFY(item);
  // Between two actions of a hand the event loop runs: the list finishes the
  // layout it does a batch at a time, else a click can find no item yet.
  QCoreApplication::processEvents();
  list->scrollToItem(item);
  const QPoint at = list->visualItemRect(item).center();
  QTest::mouseMove(list->viewport(), at);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
}

QStringList Items(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}
