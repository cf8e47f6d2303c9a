// The module's entry: the table of the real functions, linked in from the
// libraries the program itself leaves out.
#include "extras/extras.h"
#include "gui/printing.h"
#include "gui/report_actions.h"
#include "import/readers.h"
#include "plans/pg_plan_store.h"

namespace {

std::unique_ptr<eiyou::DayPlanStore> OpenPlans(const std::string& dataDir, std::time_t now) {
  return eiyou::DayPlanStore::Open(dataDir, now);
}

std::unique_ptr<eiyou::DayPlanStore> OpenPlansWith(
    const std::string& dataDir, std::time_t now,
    std::span<const eiyou::PlanMigration> migrations) {
  return eiyou::DayPlanStore::Open(dataDir, now, migrations);
}

std::unique_ptr<eiyou::DayPlanStore> OpenServerPlans(const eiyou::PgSettings& settings,
                                                     eiyou::SqlError* failure) {
  return eiyou::OpenServerPlanStore(settings, failure);
}

eiyou::ExtrasTable MakeTable() {
  eiyou::ExtrasTable table;
  table.readWorkbook = &eiyou::import::ReadWorkbook;
  table.openPlans = &OpenPlans;
  table.openPlansWith = &OpenPlansWith;
  table.openServerPlans = &OpenServerPlans;
  table.writeReportXlsx = &eiyou::WriteReportXlsx;
  table.printPicture = &eiyou::PrintPicture;
  table.previewReport = &eiyou::PreviewReport;
  table.writeOrderSheetXlsx = &eiyou::WriteOrderSheetXlsx;
  table.previewOrderSheet = &eiyou::PreviewOrderSheet;
  table.previewMonthlyMenu = &eiyou::PreviewMonthlyMenu;
  table.loadServerDishes = &eiyou::LoadServerDishes;
  table.saveServerDishes = &eiyou::SaveServerDishes;
  table.moveFolderToServer = &eiyou::MoveFolderToServer;
  table.moveServerToHeldFolder = &eiyou::MoveServerToHeldFolder;
  return table;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const eiyou::ExtrasTable* eiyou_extras() {
  static const eiyou::ExtrasTable table = MakeTable();
  return &table;
}
