// The dish composition window: foods by group and weight, the dish list and
// its file, and the radar chart of chosen dishes against a reference intake.
#pragma once

#include <QListWidget>

#include <string>
#include <vector>

#include "gui_support.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace eiyou {

// A list box whose user picks are reported once each: a mouse click on an item
// (also on the item already selected) or a keyboard move of the selection.
// Changes made by the program (filling, clearing, focus) report nothing.
class PickList : public QListWidget {
  Q_OBJECT
 public:
  using QListWidget::QListWidget;

 signals:
  void picked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool pressing_ = false;
  int rowAtPress_ = -1;
};

}  // namespace eiyou

class TForm3 : public eiyou::ChartDialog {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);
  // Creates a new dish window and runs its opening: shown modally unless the
  // dish directory is missing or the dish file cannot be read.
  static void Open(QWidget* parent);

 public slots:
  // Food side.
  void BitBtn3Click();
  void ComboBox1Change();
  void ListBox2Click();
  void BitBtn1Click();
  void BitBtn5Click();
  // Dish list.
  void BitBtn2Click();
  void ComboBox2Change();
  void ComboBox3Change();
  void BitBtn6Click();
  void ListBox1Click();
  void BitBtn4Click();
  void BitBtn12Click();
  // Evaluation and chart.
  void BitBtn8Click();
  void ComboBox4Change();
  void ComboBox5Change();
  void BitBtn9Click();
  void BitBtn10Click();
  void BitBtn7Click();
  void BitBtn11Click();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Fills ListBox1 from the dish file; false when the window must not be shown.
  bool Opening();
  // The three checks of drawing and erasing; false after a message.
  bool ChartChecks();
  // Reloads STD.CSV (its messages; the rows held stay on a missing file).
  void ReloadReference();
  void DrawGrid(eiyou::Canvas& canvas);
  void FormDestroy(eiyou::Canvas& canvas);
  std::vector<std::string> ListedFoods() const;

  // Food side.
  QPushButton* BitBtn3;
  QLabel* StaticText2;
  QComboBox* ComboBox1;
  QLabel* StaticText3;
  QLineEdit* Edit3;
  eiyou::PickList* ListBox2;
  QListWidget* ListBox3;
  QPushButton* BitBtn1;
  QPushButton* BitBtn5;
  // Dish list.
  QLabel* StaticText1;
  QLineEdit* Edit2;
  QPushButton* BitBtn4;
  QPushButton* BitBtn12;
  QLabel* StaticText4;
  QComboBox* ComboBox2;
  QLabel* StaticText5;
  QComboBox* ComboBox3;
  QPushButton* BitBtn6;
  eiyou::PickList* ListBox1;
  QPushButton* BitBtn2;
  // Evaluation and chart.
  QWidget* Panel2;
  QLabel* StaticText8;
  QPushButton* BitBtn8;
  QListWidget* ListBox4;
  QLabel* StaticText6;
  QComboBox* ComboBox4;
  QLabel* StaticText7;
  QComboBox* ComboBox5;
  QPushButton* BitBtn9;
  QPushButton* BitBtn10;
  QPushButton* BitBtn7;
  QPushButton* BitBtn11;
  QWidget* PaintBox1;
  QLabel* Label[9];
};
