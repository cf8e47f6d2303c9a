#include "sessions/dish_working_copy.h"

#include "plans/server_dishes.h"
#include "plans/store_location.h"
#include "tables/data_dir.h"
#include "tables/file_io.h"

namespace eiyou {
namespace {

// The folder's server, with the password typed for this run (none is ever
// kept in the folder); null when the folder keeps its dishes in the file.
// Settings that cannot be read leave `error` set: the dishes are then neither
// read from nor saved to anywhere but the working copy as it stands.
std::optional<PgSettings> FolderServer(std::string& error) {
  const StoreLocation location = ReadStoreLocation(DataDirectory());
  if (!location.server) return std::nullopt;
  error = location.error;
  PgSettings settings = location.settings;
  if (settings.password.empty()) settings.password = RememberedServerPassword();
  return settings;
}

constexpr const char* kOpensOnCopy =
    "このパソコンにある献立ファイル（前に共有サーバーから読み込んだもの）で開きます。"
    "保存するときには、もう一度共有サーバーに接続します。";

}  // namespace

void RefreshDishWorkingCopy(MessageSink& sink) {
  std::string error;
  const std::optional<PgSettings> settings = FolderServer(error);
  if (!settings || !DirectoryExists(DishDirectoryPath())) return;
  if (!error.empty()) return sink.Show(error + "\n" + kOpensOnCopy);
  const ServerDishList list = LoadServerDishes(*settings);
  if (!list.ok) return sink.Show(list.message + "\n" + kOpensOnCopy);
  // Lines pointed at another table would name other foods of this one: the
  // working copy, pointed at this folder's table, stays as it is.
  if (const FoodTableIdentity local = ReadFoodTableIdentity(DataDirectory());
      !list.table.digest.empty() && !(list.table == local))
    return sink.Show(OtherFoodTableMessage(list.table, local) +
                     "\nこのパソコンにある献立ファイル（前に共有サーバーから読み込んだもの）で開きます。"
                     "共有サーバーの献立では上書きしていません。");
  try {
    WriteDishFile(DishFilePath(), list.lines);
  } catch (const IoError& e) {
    sink.Show(std::string(e.what()) + "\n共有サーバーの献立をこのパソコンの献立ファイルに書けないため、" +
              "前に書いた献立ファイルで開きます。");
  }
}

std::optional<DishMerge> DishWorkingCopy::Save(const std::vector<std::string>& base,
                                               const std::vector<std::string>& ours,
                                               const FoodTable* repointTo) {
  std::string error;
  const std::optional<PgSettings> settings = FolderServer(error);
  if (!settings) return std::nullopt;
  if (!error.empty()) throw IoError(error + "\n献立は保存していません。");
  // A working copy that cannot be written fails before the server is asked,
  // as the file alone would: nothing is saved anywhere.
  if (!DirectoryExists(DishDirectoryPath())) throw IoError(WriteFailureMessage(DishFilePath()));
  const FoodTableIdentity local = ReadFoodTableIdentity(DataDirectory());
  ServerDishList saved = SaveServerDishes(*settings, base, ours, repointTo, &local);
  if (!saved.ok) throw IoError(saved.message + "\n画面の一覧はそのままです。");
  return DishMerge{std::move(saved.lines), saved.othersAdded, saved.othersRemoved};
}

}  // namespace eiyou
