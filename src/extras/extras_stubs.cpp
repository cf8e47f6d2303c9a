// The program's stand-ins for the functions of the module (extras.h): each
// opens the module on first use and calls through its table. When it cannot
// be opened, each fails as the function itself fails, with a message that
// names the file.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <mutex>

#include "extras/extras.h"
#include "extras/extras_loader.h"
#include "gui/messages.h"
#include "gui/printing.h"
#include "gui/report_actions.h"
#include "gui/text.h"
#include "import/readers.h"
#include "plans/failed_plan_store.h"
#include "plans/pg_plan_store.h"
#include "tables/folder_lock.h"

namespace eiyou {

namespace {

std::mutex& ModuleMutex() {
  static std::mutex mutex;
  return mutex;
}
std::string& ChosenPath() {
  static std::string path;
  return path;
}
const ExtrasTable*& Opened() {
  static const ExtrasTable* table = nullptr;
  return table;
}

// Checks the table of the module just opened from `path`; empty when it fits.
std::string Mismatch(const ExtrasTable* table, const std::string& path) {
  if (table && table->interface == kExtrasInterface && table->size == sizeof(ExtrasTable) &&
      table->layout == ExtrasLayout())
    return {};
  return "機能モジュール " + path + " はこのプログラムのものではありません（版が合いません）。";
}

}  // namespace

std::string ExtrasModulePath() {
  char exe[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe);
  if (n <= 0 || n >= static_cast<ssize_t>(sizeof exe)) return {};
  const std::string program(exe, static_cast<std::size_t>(n));
  const std::size_t slash = program.rfind('/');
  if (slash == std::string::npos) return {};
  return program.substr(0, slash + 1) + kExtrasModuleName;
}

bool UseExtrasModule(std::string path) {
  const std::lock_guard<std::mutex> lock(ModuleMutex());
  if (Opened()) return false;
  ChosenPath() = std::move(path);
  return true;
}

const ExtrasTable* Extras(std::string& error) {
  const std::lock_guard<std::mutex> lock(ModuleMutex());
  if (Opened()) return Opened();
  const std::string path = ChosenPath().empty() ? ExtrasModulePath() : ChosenPath();
  // Never a path relative to the working directory, which is the user's data
  // folder: code is taken from the program's folder only.
  if (path.empty() || path[0] != '/') {
    error = std::string("プログラムの場所がわからないため、機能モジュール ") + kExtrasModuleName +
            " を読み込めません。";
    return nullptr;
  }
  // Every symbol bound now, so that a module that does not fit this system
  // fails here and not halfway through a use; kept open for the run.
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    // The loader's own words are English; a missing file, the usual case of
    // a partial install, is said in the user's. Anything else keeps them for
    // whoever has to repair the installation.
    const char* why = dlerror();
    const std::string reason = access(path.c_str(), F_OK) != 0 ? std::string("ファイルがありません")
                                                                : std::string(why ? why : "");
    error = "機能モジュール " + path + " を読み込めません（" + reason +
            "）。Excel ブックの読み書き、日別献立と印刷にはこのファイルが要ります。";
    return nullptr;
  }
  using Entry = const ExtrasTable* (*)();
  const auto entry = reinterpret_cast<Entry>(dlsym(module, kExtrasEntryName));
  const ExtrasTable* table = entry ? entry() : nullptr;
  error = Mismatch(table, path);
  if (!error.empty()) {
    dlclose(module);
    return nullptr;
  }
  Opened() = table;
  return table;
}

namespace import {

void ReadWorkbook(std::string_view bytes, const ImportProgress& progress,
                  const ImportLimits& limits, FoodImport& result) {
  std::string error;
  if (const ExtrasTable* extras = Extras(error))
    extras->readWorkbook(bytes, progress, limits, result);
  else
    result.error = error;
}

}  // namespace import

std::unique_ptr<DayPlanStore> DayPlanStore::Open(const std::string& dataDir, std::time_t now) {
  std::string error;
  if (const ExtrasTable* extras = Extras(error)) return extras->openPlans(dataDir, now);
  return FailedPlanStore(PlanDatabasePath(dataDir), error);
}

std::unique_ptr<DayPlanStore> DayPlanStore::Open(const std::string& dataDir, std::time_t now,
                                                 std::span<const PlanMigration> migrations) {
  std::string error;
  if (const ExtrasTable* extras = Extras(error))
    return extras->openPlansWith(dataDir, now, migrations);
  return FailedPlanStore(PlanDatabasePath(dataDir), error);
}

std::unique_ptr<DayPlanStore> OpenServerPlanStore(const PgSettings& settings, SqlError* failure) {
  std::string error;
  if (const ExtrasTable* extras = Extras(error)) return extras->openServerPlans(settings, failure);
  if (failure) *failure = {};
  return FailedPlanStore("「" + settings.dbname + "」", error);
}

std::unique_ptr<DayPlanStore> DayPlanStore::OpenInDataFolder(std::time_t now) {
  return Open(DataDirectory(), now);
}

bool WriteReportXlsx(const Report& report, const std::string& path, std::string& error) {
  if (const ExtrasTable* extras = Extras(error)) return extras->writeReportXlsx(report, path, error);
  return false;
}

bool PrintPicture(const QImage& picture, const QRect& target, const QString& docName,
                  QString& error) {
  std::string why;
  if (const ExtrasTable* extras = Extras(why))
    return extras->printPicture(picture, target, docName, error);
  error = U(why);
  return false;
}

void PreviewReport(QWidget* parent, const Report& report, const ReportChart& chart) {
  std::string why;
  if (const ExtrasTable* extras = Extras(why))
    extras->previewReport(parent, report, chart);
  else
    ShowError(parent, U(why));
}

bool WriteOrderSheetXlsx(const OrderReport& report, const std::string& path, std::string& error) {
  if (const ExtrasTable* extras = Extras(error))
    return extras->writeOrderSheetXlsx(report, path, error);
  return false;
}

void PreviewOrderSheet(QWidget* parent, const OrderReport& report) {
  std::string why;
  if (const ExtrasTable* extras = Extras(why))
    extras->previewOrderSheet(parent, report);
  else
    ShowError(parent, U(why));
}

void PreviewMonthlyMenu(QWidget* parent, const MonthlyMenu& menu) {
  std::string why;
  if (const ExtrasTable* extras = Extras(why))
    extras->previewMonthlyMenu(parent, menu);
  else
    ShowError(parent, U(why));
}

ServerDishList LoadServerDishes(const PgSettings& settings) {
  ServerDishList result;
  if (const ExtrasTable* extras = Extras(result.message)) return extras->loadServerDishes(settings);
  return result;
}

ServerDishList SaveServerDishes(const PgSettings& settings, const std::vector<std::string>& base,
                                const std::vector<std::string>& ours, const FoodTable* repointTo,
                                const FoodTableIdentity* local) {
  ServerDishList result;
  if (const ExtrasTable* extras = Extras(result.message))
    return extras->saveServerDishes(settings, base, ours, repointTo, local);
  return result;
}

TransferResult MoveFolderToServer(const std::string& dataDir, const PgSettings& server,
                                  std::time_t now) {
  TransferResult result;
  if (const ExtrasTable* extras = Extras(result.message))
    return extras->moveFolderToServer(dataDir, server, now);
  return result;
}

TransferResult MoveServerToFolder(const PgSettings& server, const std::string& dataDir,
                                  std::time_t now) {
  // Asked here, where this program's own hold on its folder is known: it
  // does not count against the move, another program's does.
  const DataFolderSoleUse sole(dataDir);
  TransferResult result;
  if (const ExtrasTable* extras = Extras(result.message))
    return extras->moveServerToHeldFolder(server, dataDir, now, sole.granted());
  return result;
}

}  // namespace eiyou
