// The module of what the first window never needs: the workbook reader (libzip,
// libxml2), the workbook writer (libxlsxwriter), the day plans' database
// (SQLite, or libpq for a shared server) and printing (Qt's print support).
// Those libraries take longer to load and relocate than the rest of the
// program together, so the program leaves them out and opens the module when
// one of these is first used.
//
// The module hands over one table of entry points. The program has stand-ins
// of the same functions (extras_stubs.cpp) that load the module and call
// through the table; tools, tests and benchmarks link the real functions.
#pragma once

#include <array>
#include <cstddef>
#include <ctime>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gui/report_page.h"
#include "import/food_import.h"
#include "plans/plan_store.h"
#include "plans/server_dishes.h"
#include "plans/sql/sql_connection.h"
#include "plans/store_transfer.h"
#include "reports/monthly_menu.h"
#include "reports/order_report.h"
#include "reports/report.h"

class QImage;
class QRect;
class QString;
class QWidget;

namespace eiyou {

// Beside the program, where the package installs both (/usr/lib/eiyou).
inline constexpr const char* kExtrasModuleName = "eiyou-extras.so";
// The module's one exported symbol: extern "C" const ExtrasTable* eiyou_extras().
inline constexpr const char* kExtrasEntryName = "eiyou_extras";

// One more with every change of the table's entries or of the interfaces they
// hand over (a new member of DayPlanStore).
inline constexpr int kExtrasInterface = 9;

// The sizes of the types handed through the table: a module built from other
// headers (left from another version) is refused rather than called.
inline constexpr std::array<std::size_t, 14> ExtrasLayout() {
  return {sizeof(FoodImport),  sizeof(ImportLimits), sizeof(ImportedFood),   sizeof(Report),
          sizeof(DayPlan),     sizeof(StoreResult),  sizeof(PlanRepoint),    sizeof(ReportChart),
          sizeof(OrderReport), sizeof(MonthlyMenu),  sizeof(PgSettings),     sizeof(SqlError),
          sizeof(ServerDishList), sizeof(TransferResult)};
}

struct ExtrasTable {
  int interface = kExtrasInterface;
  std::size_t size = sizeof(ExtrasTable);
  std::array<std::size_t, 14> layout = ExtrasLayout();

  // import::ReadWorkbook
  void (*readWorkbook)(std::string_view bytes, const ImportProgress& progress,
                       const ImportLimits& limits, FoodImport& result) = nullptr;
  // DayPlanStore::Open, with the program's layout steps and with given ones
  std::unique_ptr<DayPlanStore> (*openPlans)(const std::string& dataDir,
                                             std::time_t now) = nullptr;
  std::unique_ptr<DayPlanStore> (*openPlansWith)(const std::string& dataDir, std::time_t now,
                                                 std::span<const PlanMigration> migrations) = nullptr;
  // OpenServerPlanStore
  std::unique_ptr<DayPlanStore> (*openServerPlans)(const PgSettings& settings,
                                                   SqlError* failure) = nullptr;
  // WriteReportXlsx
  bool (*writeReportXlsx)(const Report& report, const std::string& path,
                          std::string& error) = nullptr;
  // PrintPicture and PreviewReport
  bool (*printPicture)(const QImage& picture, const QRect& target, const QString& docName,
                       QString& error) = nullptr;
  void (*previewReport)(QWidget* parent, const Report& report, const ReportChart& chart) = nullptr;
  // WriteOrderSheetXlsx, PreviewOrderSheet and PreviewMonthlyMenu
  bool (*writeOrderSheetXlsx)(const OrderReport& report, const std::string& path,
                              std::string& error) = nullptr;
  void (*previewOrderSheet)(QWidget* parent, const OrderReport& report) = nullptr;
  void (*previewMonthlyMenu)(QWidget* parent, const MonthlyMenu& menu) = nullptr;
  // LoadServerDishes and SaveServerDishes
  ServerDishList (*loadServerDishes)(const PgSettings& settings) = nullptr;
  ServerDishList (*saveServerDishes)(const PgSettings& settings, const std::vector<std::string>& base,
                                     const std::vector<std::string>& ours,
                                     const FoodTable* repointTo,
                                     const FoodTableIdentity* local) = nullptr;
  // MoveFolderToServer and MoveServerToHeldFolder (the program asks for the
  // folder to itself before it calls: see MoveServerToHeldFolder)
  TransferResult (*moveFolderToServer)(const std::string& dataDir, const PgSettings& server,
                                       std::time_t now) = nullptr;
  TransferResult (*moveServerToHeldFolder)(const PgSettings& server, const std::string& dataDir,
                                           std::time_t now, bool soleUse) = nullptr;
};

}  // namespace eiyou
