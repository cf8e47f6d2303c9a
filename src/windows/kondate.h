// The dish composition window: foods by group and weight, the dish list and
// its file, and the radar chart of chosen dishes against a reference intake.
#pragma once

#include "gui/chart_dialog.h"
#include "sessions/changes.h"
#include "sessions/session_fwd.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace eiyou {
struct DishChange;
class FigureWindow;
class PickList;
}  // namespace eiyou

class TForm3 : public eiyou::ChartDialog {
  Q_OBJECT
 public:
  explicit TForm3(eiyou::DishSession& session, QWidget* parent = nullptr);
  // Creates a new dish window and runs its opening: shown modally unless the
  // dish directory is missing or the dish file cannot be read.
  static void Open(eiyou::DishSession& session, QWidget* parent);

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
  // Added beside: the food search, the weight typed in full width, and the
  // companion window of figures.
  void SearchEditChange();
  void Edit3Change();
  void FigureButtonClick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Fills ListBox1 from the dish file; false when the window must not be shown.
  bool Opening();
  // Drawing (`draw`) or erasing the chart: the three checks, each with its
  // message, then STD.CSV reloaded (the rows held stay on a missing file).
  void ChartButton(bool draw);
  // A group chosen again after a search lists the group again.
  void GroupChosen();
  void GroupListed();
  // The dish being composed, the dish list and the dishes evaluated are the
  // session's: their list boxes follow its changes.
  void Follow(const eiyou::DishChange& change);
  void NameControls();

  eiyou::DishSession& session_;
  eiyou::Subscription following_;

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
  // Added beside.
  QLineEdit* SearchEdit;
  QLabel* NoFoodsFound;  // over ListBox2
  QPushButton* FigureButton;
  eiyou::FigureWindow* figures_;
  bool showingSearch_ = false;  // ListBox2 holds search results, not a group
};
