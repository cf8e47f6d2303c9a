#include "plans/store_open.h"

#include "plans/failed_plan_store.h"
#include "plans/pg_plan_store.h"
#include "plans/store_location.h"
#include "tables/text_fields.h"

namespace eiyou {
namespace {

// Every day a store can hold (IsPlanDate's range).
constexpr const char* kFirstDate = "0001-01-01";
constexpr const char* kLastDate = "9999-12-31";

// A field as typed, without the blanks around it (ideographic ones too).
std::string Trimmed(const std::string& text) { return std::string(TrimmedCell(text)); }

}  // namespace

std::unique_ptr<DayPlanStore> OpenPlanStore(const std::string& dataDir, std::time_t now) {
  const StoreLocation location = ReadStoreLocation(dataDir);
  if (!location.error.empty()) return FailedPlanStore(location.from, location.error);
  if (!location.server) return DayPlanStore::Open(dataDir, now);
  PgSettings settings = location.settings;
  settings.password = RememberedServerPassword();
  std::unique_ptr<DayPlanStore> store = OpenServerPlanStore(settings);
  store->ServeFolderTable(dataDir, ReadFoodTableIdentity(dataDir));
  return store;
}

ServerCheck CheckServer(const PgSettings& settings) {
  SqlError failure;
  const std::unique_ptr<DayPlanStore> store = OpenServerPlanStore(settings, &failure);
  ServerCheck check;
  check.needsPassword = failure.needsPassword;
  check.passwordRefused = failure.kind == SqlErrorKind::AuthFailed && !settings.password.empty();
  const std::string layout = "献立表の形式は第" + std::to_string(store->schemaVersion()) + "版";
  switch (store->status()) {
    case OpenStatus::Ok: {
      const std::size_t days = store->DaysBetween(kFirstDate, kLastDate).size();
      if (!store->readError().empty()) {
        check.message = "接続できましたが、保存された日を読めませんでした。" + store->readError();
        return check;
      }
      check.connected = true;
      check.message = "サーバーの献立表 " + store->path() + " に接続できました。" + layout +
                      "、保存された日別献立は " + std::to_string(days) + " 日分です。";
      return check;
    }
    case OpenStatus::NewerVersion:
      check.connected = true;
      check.message = "サーバーの献立表 " + store->path() + " に接続できましたが、" + layout +
                      "で、このプログラムより新しい形式です。保存された日は見られますが、保存はできません。"
                      "このプログラムを新しい版に更新してください。";
      return check;
    default:
      check.message = "接続できませんでした。" + store->message();
      return check;
  }
}

bool ServerAsksForPassword(const PgSettings& settings) {
  SqlError failure;
  OpenServerPlanStore(settings, &failure);
  return failure.needsPassword;
}

std::string StoreLocationCaption(const std::string& dataDir) {
  const StoreLocation location = ReadStoreLocation(dataDir);
  if (!location.server) return {};
  if (!location.error.empty()) return "共有サーバー: 設定に誤りがあります";
  return "共有サーバー: " + ServerName(location.settings);
}

bool ServerSettingsFromFields(const std::string& host, const std::string& port,
                              const std::string& dbname, const std::string& user,
                              const std::string& service, PgSettings& settings, std::string& error) {
  PgSettings read;
  read.host = Trimmed(host);
  read.dbname = Trimmed(dbname);
  read.user = Trimmed(user);
  read.service = Trimmed(service);
  if (const std::string number = Trimmed(port); !number.empty() && !ParsePort(number, read.port)) {
    error = "ポート番号「" + number + "」は 1～65535 の整数ではありません。";
    return false;
  }
  if (read.host.empty() && read.dbname.empty() && read.service.empty()) {
    error = "ホスト、データベース、サービスのどれかを入力してください。";
    return false;
  }
  settings = read;
  return true;
}

}  // namespace eiyou
