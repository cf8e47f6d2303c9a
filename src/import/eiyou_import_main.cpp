// eiyou-import FILE: imports a food composition table (the official workbook
// or a tab- or comma-separated export of it) into the data folder, which is
// the working directory as for the program.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "import/food_import.h"
#include "import/table_install.h"
#include "tables/data_dir.h"

namespace {

constexpr const char* kUsage =
    "使い方: eiyou-import [--output フォルダ] [--dry-run] ファイル\n"
    "  ファイル       日本食品標準成分表の Excel ブック（.xlsx）か、そのタブ・コンマ区切りテキスト\n"
    "  --output DIR   作業フォルダではなく DIR に書き込みます\n"
    "  --dry-run      読み込んで結果を表示するだけで、何も書き込みません\n";

void Say(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  std::string input, output;
  bool dryRun = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dry-run") {
      dryRun = true;
    } else if (arg == "--output" && i + 1 < argc) {
      output = argv[++i];
    } else if (arg.rfind("--output=", 0) == 0) {
      output = arg.substr(9);
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

  const eiyou::FoodImport result = eiyou::ImportFoodComposition(input);
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
  const eiyou::TableInstall install = eiyou::InstallFoodTable(directory, result.foods, std::time(nullptr));
  // A failure's message says itself which backups it left.
  if (!install.ok) {
    Say(install.error);
    return 1;
  }
  if (!install.backupPath.empty()) Say("元の食品成分表の控え: " + install.backupPath);
  if (!install.dishBackupPath.empty()) Say("元の献立ファイルの控え: " + install.dishBackupPath);
  for (const std::string& line : install.dishReport) Say(line);
  Say("書き込みました: " + install.tablePath);
  Say("書き込みました: " + install.marksPath);
  return 0;
}
