// The period window: the stored day plans of a range of dates, their average
// against the reference of a sex and age class as figures and as the daily
// chart, and its reports.
#pragma once

#include "gui/chart_dialog.h"
#include "sessions/session_fwd.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

namespace eiyou {
struct Report;
enum class ReportFormat;
}  // namespace eiyou

class PeriodWindow : public eiyou::ChartDialog {
  Q_OBJECT
 public:
  // Starts with the range, sex and age class last chosen in this run (the
  // seven days up to today at first) and the period last shown, as it was
  // computed; "表示" reads the stored days afresh.
  // Creates a new period window and shows it modally.
  static void Open(eiyou::PeriodSession& session, QWidget* parent);
  explicit PeriodWindow(eiyou::PeriodSession& session, QWidget* parent = nullptr);

 public slots:
  void SexBoxChange();
  void AgeBoxChange();
  void ShowButtonClick();
  void PdfButtonClick();
  void CsvButtonClick();
  void XlsxButtonClick();
  void PreviewButtonClick();
  void AssessmentButtonClick();
  void CloseButtonClick();

 private:
  // Puts the session's period (or nothing) into the tables and the chart and
  // enables the reports with it.
  void ShowPeriod();
  eiyou::Report PeriodReport() const;
  void Save(eiyou::ReportFormat format);

  eiyou::PeriodSession& session_;
  QDateEdit* FromDate;
  QDateEdit* ToDate;
  QComboBox* SexBox;
  QComboBox* AgeBox;
  QLabel* DayCount;
  QTableWidget* DayTable;
  QTableWidget* FigureTable;
  QPushButton* PdfButton;
  QPushButton* CsvButton;
  QPushButton* XlsxButton;
  QPushButton* PreviewButton;
  QPushButton* AssessmentButton;
};
