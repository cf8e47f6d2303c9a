// What the find-and-read tests need of a user's hand: typing as an input
// method commits, clicking list rows, choosing items, and a data folder with a
// few foods whose names, marks and reference rows the tests rely on.
#pragma once

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include "modal_driver.h"
#include "tables/cp932.h"

namespace ft {

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }

inline void WriteBytes(const QString& path, const std::string& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes.data(), qint64(bytes.size()));
}

// A food line: 23 fields, columns 3.. from `cells`, the rest "0".
inline std::string Food(const char* number, const char* name, std::vector<const char*> cells) {
  std::string line = std::string(number) + "," + name;
  for (std::size_t c = 0; c < 21; ++c) line += std::string(",") + (c < cells.size() ? cells[c] : "0");
  return eiyou::Cp932(line) + "\r\n";
}

// Commits `utf8` one character at a time, as an input method does.
inline void Commit(QLineEdit* edit, const QString& text) {
  for (const QChar ch : text) {
    QInputMethodEvent commit;
    commit.setCommitString(QString(ch));
    QCoreApplication::sendEvent(edit, &commit);
  }
}

inline void Choose(QComboBox* box, const char* utf8) {
  const int i = box->findText(U(utf8));
  QVERIFY2(i >= 0, utf8);
  box->setCurrentIndex(i);
  emit box->activated(i);  // as the drop-down list reports a choice
}

}  // namespace ft
