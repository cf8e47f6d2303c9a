// eiyou-import FILE: imports a food composition table (the official workbook
// or a tab- or comma-separated export of it) into the data folder, which is
// the working directory as for the program.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "import/food_import.h"
#include "import/table_install.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/food_edition.h"

namespace {

constexpr const char* kUsage =
    "使い方: eiyou-import [--output フォルダ] [--edition 版] [--dry-run] ファイル\n"
    "  ファイル       日本食品標準成分表の Excel ブック（.xlsx）か、そのタブ・コンマ区切りテキスト\n"
    "  --output DIR   作業フォルダではなく DIR に書き込みます\n"
    "  --edition 版   表の版（例: 食品成分表（八訂）増補2023年）。表題の行から読み取った版より優先します\n"
    "  --dry-run      読み込んで結果を表示するだけで、何も書き込みません\n";

void Say(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  std::string input, output, edition;
  bool dryRun = false, editionGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dry-run") {
      dryRun = true;
    } else if (arg == "--output" && i + 1 < argc) {
      output = argv[++i];
    } else if (arg.rfind("--output=", 0) == 0) {
      output = arg.substr(9);
    } else if ((arg == "--edition" && i + 1 < argc) || arg.rfind("--edition=", 0) == 0) {
      const std::string text = arg == "--edition" ? argv[++i] : arg.substr(10);
      editionGiven = true;
      if (!eiyou::Utf8ToCp932(text, edition) || !eiyou::IsEditionText(edition)) {
        Say("--edition の版「" + text + "」は使えません（Shift_JIS で書ける 1～" +
            std::to_string(eiyou::kMaxEditionBytes) + " バイトの 1 行にしてください）");
        return 2;
      }
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
      std::fputs(kUsage, stderr);
      return 2;
    } else if (input.empty()) {
      input = arg == "--" && i + 1 < argc ? argv[++i] : arg;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (input.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  eiyou::FoodImport result = eiyou::ImportFoodComposition(input);
  if (editionGiven && result.ok) result.edition = edition;
  for (const std::string& line : eiyou::ImportSummaryLines(result)) Say(line);
  if (!result.ok) {
    Say("何も書き込みませんでした。");
    return 1;
  }
  if (dryRun) {
    Say("--dry-run: 何も書き込みませんでした。");
    return 0;
  }

  const std::string directory = output.empty() ? eiyou::DataDirectory() : output;
  if (directory.empty() || !eiyou::DirectoryExists(directory)) {
    Say("書き込み先のフォルダがありません: " + (directory.empty() ? std::string("（作業フォルダ）") : directory));
    return 1;
  }
  // The tool may run where the program never starts: it clears what killed
  // saves left there, as the program does at its start.
  const int stale = eiyou::RemoveStaleTemporaryFilesOfDataFolder(directory, std::time(nullptr));
  if (stale > 0) Say("中断された保存の一時ファイル " + std::to_string(stale) + " 個を削除しました");
  const eiyou::TableInstall install = eiyou::InstallFoodTable(
      directory, result.foods, std::time(nullptr), result.edition, result.componentIdentifiers);
  // A failure's message says itself which backups it left.
  if (!install.ok) {
    for (const std::string& line : install.planReport) Say(line);
    Say(install.error);
    return 1;
  }
  if (!install.backupPath.empty()) Say("元の食品成分表の控え: " + install.backupPath);
  if (!install.marksBackupPath.empty()) Say("元の印の情報の控え: " + install.marksBackupPath);
  if (!install.componentsBackupPath.empty())
    Say("元の成分の一覧の控え: " + install.componentsBackupPath);
  if (!install.editionBackupPath.empty()) Say("元の版の記録の控え: " + install.editionBackupPath);
  if (!install.dishBackupPath.empty()) Say("元の献立ファイルの控え: " + install.dishBackupPath);
  if (!install.planBackupPath.empty()) Say("元の日別献立の控え: " + install.planBackupPath);
  for (const std::string& line : install.dishReport) Say(line);
  for (const std::string& line : install.planReport) Say(line);
  Say("書き込みました: " + install.tablePath);
  Say("書き込みました: " + install.marksPath);
  if (!result.componentIdentifiers.empty()) Say("書き込みました: " + install.componentsPath);
  if (!result.edition.empty()) Say("書き込みました: " + install.editionPath);
  return 0;
}
