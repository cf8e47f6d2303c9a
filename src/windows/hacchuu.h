// The order sheet and food cost (発注表・原価) of a period's stored days for
// the groups chosen: what to order by delivery date, supplier and food group,
// what each group's meals cost per day and per person, and the foods without
// a price, which are listed and never counted as 0 yen.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "gui/report_actions.h"

class QDateEdit;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace eiyou {
class FacilitySession;
struct OrderReport;
}

// The sheet as a PDF file (empty, or the reason it could not be written).
std::string SaveOrderSheetPdf(const eiyou::OrderReport& report, const std::string& path);

class OrderSheetWindow : public QDialog {
  Q_OBJECT
 public:
  // Shows the window, not modal; a second call brings the open one forward.
  static void Open(eiyou::FacilitySession& session, QWidget* parent);
  explicit OrderSheetWindow(eiyou::FacilitySession& session, QWidget* parent = nullptr);

 public slots:
  void ShowButtonClick();
  void PdfButtonClick();
  void CsvButtonClick();
  void XlsxButtonClick();
  void PreviewButtonClick();
  void PricesButtonClick();

 private:
  void ShowGroups();
  void ShowSheet();
  void Save(eiyou::ReportFormat format);

  eiyou::FacilitySession& session_;
  QDateEdit* FromDate;
  QDateEdit* ToDate;
  QListWidget* GroupList;
  QTableWidget* OrderTable;
  QTableWidget* CostTable;
  QTableWidget* PeriodCostTable;
  QLabel* UnpricedLabel;
  QListWidget* UnpricedList;
  QPushButton* PricesButton;
  std::vector<QPushButton*> needsSheet_;
};
