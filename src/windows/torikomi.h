// The import of a new food composition table: choose the official workbook
// (or its text export), see what was recognised, then put it in place.
#pragma once

#include <QDialog>
#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace eiyou {
struct FoodImport;
}

class ImportDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ImportDialog(QWidget* parent = nullptr);
  ~ImportDialog() override;
  // Shows the dialog modally.
  static void Open(QWidget* parent);

 public slots:
  void BrowseClick();
  void ReadClick();
  void ImportClick();
  void CloseClick();

 private:
  void ShowLines(const QStringList& lines);

  QLineEdit* fileEdit_;
  QPushButton* readButton_;
  QProgressBar* progress_;
  QPlainTextEdit* summary_;
  QPushButton* importButton_;
  // What the last reading found; empty until a file was read.
  std::unique_ptr<eiyou::FoodImport> read_;
};
