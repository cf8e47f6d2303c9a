// Meal analysis: the day's meals, the daily intake graph and its print image.
#pragma once

#include <QDialog>
#include <QImage>
#include <QString>

#include <array>

#include "gui/chart_dialog.h"
#include "gui/report_actions.h"
#include "sessions/changes.h"
#include "sessions/session_fwd.h"

class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;

namespace eiyou {
struct MealChange;
}  // namespace eiyou

class TForm4 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm4(eiyou::MealSession& session, QWidget* parent = nullptr);
  // Creates a new meal window and runs its opening: shown modally unless the
  // dish directory is missing or a file cannot be read.
  static void Open(eiyou::MealSession& session, QWidget* parent);

  // Opens a fresh graph window for the current choices and totals, modally.
  // With drawAfterClose the chart is drawn once more on the closed window
  // (the end of a print).
  void ShowGraphWindow(bool drawAfterClose);

 public slots:
  void ComboBox1Change();
  void BitBtn3Click();
  void BitBtn4Click();
  void ComboBox2Change();
  void ComboBox3Change();
  void BitBtn1Click();
  void BitBtn2Click();
  void SaveDayClick();
  void OpenDayClick();
  // A day read: the boxes show its sex and age class.
  void ShowDayChoices(const eiyou::DayStatus& status);
  void PlanDateChange();

 private:
  // Loads the tables and the dish list; false when the window must not be shown.
  bool Opening(QWidget* messageParent);
  // The three meal lists are the session's: they follow its changes.
  void Follow(const eiyou::MealChange& change);

  eiyou::MealSession& session_;
  eiyou::Subscription following_;
  QFrame* Panel1;
  QLabel* StaticText1;
  QPushButton* BitBtn2;
  QLabel* StaticText2;
  QComboBox* ComboBox1;
  QLabel* StaticText3;
  QListWidget* ListBox1;
  QPushButton* BitBtn3;
  QPushButton* BitBtn4;
  QLabel* StaticText4;
  QListWidget* ListBox2;
  QLabel* StaticText5;
  QListWidget* ListBox3;
  QLabel* StaticText6;
  QListWidget* ListBox4;
  QFrame* Panel2;
  QLabel* StaticText7;
  QComboBox* ComboBox2;
  QLabel* StaticText8;
  QComboBox* ComboBox3;
  QPushButton* BitBtn1;
  QDateEdit* PlanDate;
};

class TForm5 : public eiyou::ChartDialog {
  Q_OBJECT
 public:
  // `meal` is the meal window that opened this one (printing opens a new graph
  // window through it).
  TForm5(eiyou::MealSession& session, TForm4* meal);

  // The nine figures from the day's totals.
  void dsp_sessyu();
  // Beside each figure, the marks of estimated and missing values, with the
  // foods behind them as a hint.
  void ShowFigureMarks();
  // Reloads the reference table, takes the targets of the chosen row and draws
  // the chart. Without a valid row nothing is drawn; `quiet` leaves out the
  // message that asks for a choice.
  void GraphDraw(bool quiet = false);

  QLineEdit* Edit1;
  QLineEdit* Edit2;

 public slots:
  void BitBtn3Click();
  void BitBtn2Click();
  void BitBtn1Click();

 private:
  void SaveReport(eiyou::ReportFormat format);
  QImage CaptureWindow();
  bool PrintPicture(const QImage& picture, const QRect& target);

  eiyou::MealSession& session_;
  TForm4* meal_;
  bool printing_ = false;
  std::array<QLineEdit*, 9> figures_{};
  std::array<QLabel*, 9> marks_{};
  QToolButton* saveButton_ = nullptr;
  QToolButton* assessmentButton_ = nullptr;
};

class TForm6 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm6(QWidget* parent = nullptr);
  QLabel* Image1;
};
