// The food prices (食品の単価): each food bought with its price, purchase
// unit, the date the price was set and its supplier; foods added by name;
// CSV in and out; and the foods of a period's stored days that have no price.
#pragma once

#include <QDate>
#include <QDialog>
#include <memory>
#include <vector>

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QListWidget;
class QTableWidget;

namespace eiyou {
class FacilitySession;
class FoodNameIndex;
struct StoreResult;
}

class PriceWindow : public QDialog {
  Q_OBJECT
 public:
  // Shows the window, not modal; a second call brings the open one forward.
  // `unpricedFrom`..`unpricedTo` given: opens on the foods of those days
  // that have no price.
  static void Open(eiyou::FacilitySession& session, QWidget* parent, const QDate& unpricedFrom = {},
                   const QDate& unpricedTo = {});
  PriceWindow(eiyou::FacilitySession& session, QWidget* parent = nullptr);
  ~PriceWindow() override;

 public slots:
  void PriceTableClick();
  void SearchEditChange();
  void FoodListClick();
  void SavePriceButtonClick();
  void RemovePriceButtonClick();
  void ImportButtonClick();
  void ExportButtonClick();
  void UnpricedFilterChange();

 private:
  void ShowPrices();
  void ShowFood(int food);
  void Failed(const std::string& message);
  // A save refused: told, and read again when another user changed the row
  // and the user asks for it.
  void Refused(const eiyou::StoreResult& result);

  eiyou::FacilitySession& session_;
  std::unique_ptr<eiyou::FoodNameIndex> index_;
  std::vector<int> shown_;  // the food of each row of the table
  int food_ = 0;            // the food in the form
  QTableWidget* PriceTable;
  QCheckBox* UnpricedFilter;
  QDateEdit* FilterFrom;
  QDateEdit* FilterTo;
  QLineEdit* SearchEdit;
  QListWidget* FoodList;
  QLineEdit* FoodEdit;
  QLineEdit* PriceEdit;
  QLineEdit* UnitEdit;
  QLineEdit* UnitGramsEdit;
  QLineEdit* SetOnEdit;
  QLineEdit* SupplierEdit;
};
