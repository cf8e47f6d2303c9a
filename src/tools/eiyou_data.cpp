// eiyou-data: checks a data folder, and composes a dish file from a list of
// dishes given by official food numbers. Both read and write the formats
// through the program's own core, so they agree with it byte for byte.
//
//   eiyou-data check [FOLDER]
//       the food table, the reference table and the dish file of FOLDER (the
//       current directory by default): CP932 text with CR LF, field counts,
//       numbers, food groups, that the edition record and the components (if
//       any) belong to the table and every line of the components can be
//       read, and that every saved food names the food on its row; the lines
//       of the everyday names file that are not mappings. One line per
//       problem; exit status 1 when there is any.
//   eiyou-data compose-dishes DISHES.TSV [FOLDER]
//       writes FOLDER/KONDATE/献立.TXT from DISHES.TSV (UTF-8, one dish a line:
//       cuisine, cooking category, dish name, then pairs of five-digit food
//       number and weight in grams), each food found by its number in
//       FOLDER's food table.
//   eiyou-data store-days PLAN.TSV [FOLDER]
//       stores day plans in FOLDER's store (KONDATE/献立表.db, or the server
//       the folder names) from PLAN.TSV (UTF-8, one meal a line: date
//       YYYY-MM-DD, meal 朝食/昼食/夕食, then the names of dishes of FOLDER's
//       dish file), for a month planned in a spreadsheet.
//       A file with any bad line, or naming a day already stored, stores
//       nothing: a stored day is the user's work and is never replaced here.
//   eiyou-data to-server [--server SETTINGS] [FOLDER]
//   eiyou-data from-server [--server SETTINGS] [FOLDER]
//       moves FOLDER's day plans, target sets, eater groups and headcounts,
//       prices, allergen overrides, facility name and notes and its dish file
//       to a PostgreSQL server, or the server's into FOLDER/KONDATE/献立表.db
//       and 献立.TXT (the previous dish file kept beside it, dated). The
//       server is SETTINGS ('host=db1 dbname=kondate user=sato'), else the
//       one FOLDER is set to use (EIYOU_SERVER, KONDATE/共有サーバー.TXT); the
//       password comes from libpq (~/.pgpass, PGPASSWORD, a service file).
//       The destination must hold none of these; everything is written in
//       one transaction and compared with the source before it commits.
//       Prints what was moved; exit status 0 only when all of it arrived.
//       The folder keeps the store it used: the program's 設定 switches it.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "nutrition/day_plan.h"
#include "nutrition/dish_line.h"
#include "nutrition/everyday_names.h"
#include "nutrition/food_entry.h"
#include "nutrition/food_groups.h"
#include "plans/plan_store.h"
#include "plans/store_location.h"
#include "plans/store_open.h"
#include "plans/store_transfer.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/dish_file.h"
#include "tables/file_io.h"
#include "tables/food_components.h"
#include "tables/food_edition.h"
#include "tables/food_table.h"
#include "tables/reference_table.h"
#include "tables/text_fields.h"

namespace {

using namespace eiyou;

std::vector<std::string> problems;

void Problem(const std::string& where, const std::string& text) {
  problems.push_back(where + ": " + text);
}

class PrintingSink : public MessageSink {
 public:
  void Show(const std::string& utf8Text) override { Problem("eiyou-data", utf8Text); }
};

// The cuisines and cooking categories the dish window offers.
const char* const kCuisines[] = {"和      食", "洋      食", "中      華"};
const char* const kCategories[] = {"汁 も の", "飯 も の", "煮 も の", "蒸しもの", "焼きもの",
                                   "揚げもの", "いため物", "寄せもの", "なまもの", "酢のもの",
                                   "あえもの", "飲みもの", "そ の 他"};

bool OneOf(std::string_view cp932, const char* const* utf8, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (cp932 == Cp932(utf8[i])) return true;
  return false;
}

bool Digits(std::string_view t) {
  return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Digits, with one decimal point between digits where decimals are allowed.
bool Number(std::string_view t, bool whole) {
  const std::size_t point = t.find('.');
  if (point == std::string_view::npos) return Digits(t);
  return !whole && Digits(t.substr(0, point)) && Digits(t.substr(point + 1));
}

// The lines of a file that must be CP932 text with CR LF after every line.
std::vector<std::string> ReadCheckedLines(const std::string& path) {
  std::string bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const IoError& e) {
    Problem(path, "cannot read");
    return {};
  }
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) Problem(path, "starts with a UTF-8 byte order mark");
  if (bytes.find('\x1A') != std::string::npos || bytes.find('\0') != std::string::npos)
    Problem(path, "contains a 0x1A or NUL byte, which ends the text early");
  if (!bytes.empty() && bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") != 0)
    Problem(path, "the last line does not end with CR LF");
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string where = path + ":" + std::to_string(n + 1);
    if (lines[n].find_first_of("\r\n") != std::string::npos)
      Problem(where, "lone CR or LF (every line must end with CR LF)");
    std::string back;
    if (!Utf8ToCp932(Cp932ToUtf8(lines[n]), back) || back != lines[n])
      Problem(where, "not valid CP932 (Shift_JIS) text");
  }
  return lines;
}

// A value cell: a number, or one of the notations that read as zero.
void CheckValue(const std::string& where, std::string_view text, bool whole) {
  if (text == "Tr" || text == "(0)" || text == "-") return;
  if (!Number(text, whole))
    Problem(where, "'" + std::string(text) + "' is not a " + (whole ? "whole" : "decimal") +
                       " number");
}

std::vector<std::vector<std::string>> CheckFoods(const std::string& folder) {
  const std::string path = JoinPath(folder, kFoodFileName);
  const std::vector<std::string> lines = ReadCheckedLines(path);
  if (lines.size() > static_cast<std::size_t>(FoodTable::kMaxRows))
    Problem(path, std::to_string(lines.size()) + " lines; only the first " +
                      std::to_string(FoodTable::kMaxRows) + " are read");
  std::vector<std::vector<std::string>> rows;
  int lastGroup = 0;
  const int wholeColumns[] = {3, 10, 17, 21};
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string where = path + ":" + std::to_string(n + 1);
    rows.push_back(SplitAtCommas(lines[n]));
    const std::vector<std::string>& fields = rows.back();
    if (fields.size() != FoodTable::kColumns) {
      Problem(where, std::to_string(fields.size()) + " fields instead of 23");
      continue;
    }
    const std::string_view key = GroupKey(fields[0]);
    const int group = Digits(key) && key[0] != '0' ? std::stoi(std::string(key)) : 0;
    if (fields[0].size() < 2 || group < 1 || group > 18)
      Problem(where, "food number '" + fields[0] + "' belongs to no food group 1-18");
    else if (group < lastGroup)
      Problem(where, "food groups out of order");
    else
      lastGroup = group;
    if (fields[1].empty() || fields[1].find('=') != std::string::npos)
      Problem(where, "food name empty or containing '='");
    for (int c = 3; c <= FoodTable::kColumns; ++c)
      CheckValue(where + " column " + std::to_string(c), fields[c - 1],
                 std::find(std::begin(wholeColumns), std::end(wholeColumns), c) !=
                     std::end(wholeColumns));
  }
  return rows;
}

// A record that does not fit its table is ignored by the viewer: say so here.
void CheckEdition(const std::string& folder) {
  const std::string path = JoinPath(folder, kFoodEditionFileName);
  if (!EntryExists(path)) return;
  try {
    const std::string table = ReadWholeFile(JoinPath(folder, kFoodFileName));
    if (ReadFoodEdition(ReadWholeFile(path), table.size()).empty())
      Problem(path, "not one line '<size of the food table in bytes>\\t<edition>' naming this table (" +
                        std::to_string(table.size()) + " bytes)");
  } catch (const IoError&) {
    Problem(path, "cannot read it or the food table");
  }
}

// The program reads the components without a word: name what it leaves out.
void CheckComponents(const std::string& folder) {
  const std::string path = JoinPath(folder, kFoodComponentsFileName);
  if (!EntryExists(path)) return;
  try {
    const std::string table = ReadWholeFile(JoinPath(folder, kFoodFileName));
    FoodComponents components = FoodComponents::Parse(ReadWholeFile(path), table.size());
    components.CheckCells();
    for (const ComponentProblem& p : components.problems())
      Problem(p.line > 0 ? path + ":" + std::to_string(p.line) : path, p.text);
  } catch (const IoError&) {
    Problem(path, "cannot read it or the food table");
  }
}

void CheckReference(const std::string& folder) {
  const std::string path = JoinPath(folder, kReferenceFileName);
  const std::vector<std::string> lines = ReadCheckedLines(path);
  if (lines.size() != static_cast<std::size_t>(ReferenceTable::kRows))
    Problem(path, std::to_string(lines.size()) + " lines instead of 11 (one per age class)");
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string where = path + ":" + std::to_string(n + 1);
    const std::vector<std::string> fields = SplitAtCommas(lines[n]);
    if (fields.size() != ReferenceTable::kFields) {
      Problem(where, std::to_string(fields.size()) + " fields instead of 20");
      continue;
    }
    // Fields 17 and 18 are never read; the others must be positive numbers.
    for (int f = 1; f <= ReferenceTable::kFields; ++f) {
      if (f == 17 || f == 18) continue;
      const bool whole = f <= 4 || f == 7 || f == 8 || f == 11 || f == 12 || f >= 19;
      const std::string at = where + " field " + std::to_string(f);
      if (!Number(fields[f - 1], whole))
        CheckValue(at, fields[f - 1], whole);
      else if (fields[f - 1].find_first_not_of("0.") == std::string::npos)
        Problem(at, "a reference value must be positive");
    }
  }
}

// The food a FoodEntry names must stand on its row, with the weight as grams.
void CheckEntry(const std::string& where, const std::string& entry,
                const std::vector<std::vector<std::string>>& foods) {
  const std::string_view rowText = FoodEntryRowText(entry);
  const std::string_view weight = FoodEntryWeightText(entry);
  const std::size_t row = Digits(rowText) ? std::stoul(std::string(rowText)) : 0;
  if (row < 1 || row > foods.size() || foods[row - 1].size() < 2) {
    Problem(where, "food row " + std::string(rowText) + " is not in the food table");
    return;
  }
  const std::string choice = "[" + std::to_string(row) + "]" + foods[row - 1][0] + ":" +
                             foods[row - 1][1];
  const FoodPickResult pick =
      ComposeFoodEntry(choice, weight.empty() ? std::string_view() : weight.substr(1));
  if (weight.empty() || weight[0] != ' ' || !Number(weight.substr(1), false))
    Problem(where, "weight '" + std::string(weight) + "' is not a number of grams");
  else if (pick.outcome != FoodPick::Added || pick.entry != entry)
    Problem(where, "'" + Cp932ToUtf8(entry) + "' does not name the food on row " +
                       std::to_string(row) + ", " + Cp932ToUtf8(foods[row - 1][1]));
}

void CheckDishes(const std::string& folder, const std::vector<std::vector<std::string>>& foods) {
  const std::string path = JoinPath(JoinPath(folder, kDishDirName), kDishFileName);
  if (!EntryExists(path)) return;
  const std::vector<std::string> lines = ReadCheckedLines(path);
  if (!std::is_sorted(lines.begin(), lines.end()))
    Problem(path, "dishes are not in ascending CP932 byte order");
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string where = path + ":" + std::to_string(n + 1);
    if (SplitAtCommas(lines[n]).size() < 3) {
      Problem(where, "fewer than three fields (cuisine, category, name)");
      continue;
    }
    const DishLineParts dish = SplitDishLine(lines[n]);
    if (!OneOf(dish.cuisine, kCuisines, std::size(kCuisines)))
      Problem(where, "unusual cuisine '" + Cp932ToUtf8(dish.cuisine) + "'");
    if (!OneOf(dish.category, kCategories, std::size(kCategories)))
      Problem(where, "unusual category '" + Cp932ToUtf8(dish.category) + "'");
    const std::vector<std::string> entries = DishFoods(lines[n]);
    if (!std::is_sorted(entries.begin(), entries.end()))
      Problem(where, "foods are not in ascending CP932 byte order");
    for (const std::string& entry : entries) CheckEntry(where, entry, foods);
  }
}

// The program skips what is not a mapping without a word; say where.
void CheckEverydayNames(const std::string& folder) {
  const std::string path = JoinPath(folder, kEverydayNamesFileName);
  if (!EntryExists(path)) return;
  std::string bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const IoError&) {
    Problem(path, "cannot read (the built-in everyday names are used)");
    return;
  }
  const EverydayNames names = EverydayNames::Parse(bytes);
  for (int line : names.skippedLines())
    Problem(path + ":" + std::to_string(line),
            "not a mapping 'everyday words = official words'; skipped");
}

int Check(const std::string& folder) {
  const auto foods = CheckFoods(folder);
  CheckEdition(folder);
  CheckComponents(folder);
  CheckReference(folder);
  CheckDishes(folder, foods);
  CheckEverydayNames(folder);
  for (const std::string& p : problems) std::cout << p << "\n";
  if (!problems.empty()) return 1;
  std::cout << folder << ": " << foods.size()
            << " foods, reference table and dishes OK\n";
  return 0;
}

// The food table's form of an official number: groups 01-09 write a blank
// for the leading zero (" 1001"), the others stand as they are.
std::string TableNumber(const std::string& official) {
  return official.size() == 5 && official[0] == '0' ? " " + official.substr(1) : official;
}

int ComposeDishes(const std::string& source, const std::string& folder) {
  if (chdir(folder.c_str()) != 0) {
    std::cerr << "eiyou-data: cannot enter " << folder << "\n";
    return 1;
  }
  auto table = std::make_unique<FoodTable>();
  PrintingSink sink;
  LoadFoodTable(*table, sink);
  std::map<std::string, int> rowOf;
  for (int r = table->rows(); r >= 1; --r)
    if (!table->Cell(1, r).empty()) rowOf[std::string(table->Cell(1, r))] = r;

  std::string text;
  try {
    text = ReadWholeFile(source);
  } catch (const IoError& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  std::vector<std::string> dishes;
  std::size_t n = 0;
  for (std::string_view line : SplitAt(text, '\n')) {
    ++n;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const std::string where = source + ":" + std::to_string(n);
    const std::vector<std::string> cells = SplitAt(line, '\t');
    if (cells.size() < 5 || cells.size() % 2 == 0) {
      Problem(where, "expected cuisine, category, name and number/weight pairs");
      continue;
    }
    TypedText cuisine, category;
    cuisine.Take(cells[0]);
    category.Take(cells[1]);
    std::vector<std::string> entries;
    for (std::size_t i = 3; i + 1 < cells.size(); i += 2) {
      const auto found = rowOf.find(TableNumber(cells[i]));
      if (found == rowOf.end()) {
        Problem(where, "food " + cells[i] + " is not in the food table");
        continue;
      }
      const FoodPickResult pick = ComposeFoodEntry(FoodChoiceText(*table, found->second), cells[i + 1]);
      if (pick.outcome != FoodPick::Added || !Number(cells[i + 1], false))
        Problem(where, "weight '" + cells[i + 1] + "' of food " + cells[i] + " is not a number of grams");
      else
        entries.push_back(pick.entry);
    }
    // The dish window keeps a dish's foods, and its dishes, in byte order.
    std::stable_sort(entries.begin(), entries.end());
    const DishLineResult dish = ComposeDishLine(cuisine, category, cells[2], entries, 0);
    if (dish.outcome != DishRegistration::Registered)
      Problem(where, "a dish the dish window would refuse");
    else
      dishes.push_back(dish.line);
  }
  if (!problems.empty()) {
    for (const std::string& p : problems) std::cerr << p << "\n";
    return 1;
  }
  std::stable_sort(dishes.begin(), dishes.end());
  try {
    WriteDishFile(DishFilePath(), dishes);
  } catch (const IoError& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  std::cout << DishFilePath() << ": " << dishes.size() << " dishes\n";
  return 0;
}

int StoreDays(const std::string& source, const std::string& folder) {
  if (chdir(folder.c_str()) != 0) {
    std::cerr << "eiyou-data: cannot enter " << folder << "\n";
    return 1;
  }
  std::string text;
  std::vector<std::string> dishLines;
  try {
    text = ReadWholeFile(source);
    dishLines = ReadDishFile(DishFilePath());
  } catch (const IoError& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  std::map<std::string, std::string> dishByName;  // CP932 name → DishLine
  for (const std::string& line : dishLines)
    dishByName.emplace(std::string(SplitDishLine(line).name), line);

  const char* const kMealNames[] = {"朝食", "昼食", "夕食"};
  std::map<std::string, DayPlan> days;
  std::size_t n = 0;
  for (std::string_view line : SplitAt(text, '\n')) {
    ++n;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    const std::string where = source + ":" + std::to_string(n);
    const std::vector<std::string> cells = SplitAt(line, '\t');
    if (cells.size() < 3) {
      Problem(where, "expected a date, a meal and dish names");
      continue;
    }
    if (!IsPlanDate(cells[0])) {
      Problem(where, "'" + cells[0] + "' is not a date YYYY-MM-DD");
      continue;
    }
    const auto meal = std::find(std::begin(kMealNames), std::end(kMealNames), cells[1]);
    if (meal == std::end(kMealNames)) {
      Problem(where, "'" + cells[1] + "' is not 朝食, 昼食 or 夕食");
      continue;
    }
    DayPlan& day = days[cells[0]];
    day.date = cells[0];
    // Whom a day is planned for does not matter to a facility's days: each
    // group is judged for its own; the profile's default person is recorded.
    day.sex = 1;
    day.age = 9;
    for (std::size_t i = 2; i < cells.size(); ++i) {
      std::string name;
      const auto dish = Utf8ToCp932(cells[i], name) ? dishByName.find(name) : dishByName.end();
      if (dish == dishByName.end())
        Problem(where, "dish '" + cells[i] + "' is not in the dish file");
      else
        day.meals[static_cast<std::size_t>(meal - std::begin(kMealNames))].push_back(dish->second);
    }
  }
  // Where the folder keeps its days: its file, or the team's server.
  auto store = OpenPlanStore(".", std::time(nullptr));
  if (!store->CanStore()) Problem(store->path(), store->message());
  for (const auto& [date, day] : days)
    if (store->HasDay(date)) Problem(source, date + " is already stored; nothing is replaced");
  if (!problems.empty()) {
    for (const std::string& p : problems) std::cerr << p << "\n";
    std::cerr << "eiyou-data: nothing stored\n";
    return 1;
  }
  for (const auto& [date, day] : days) {
    // Stored as a day read as not stored: on a server, a day another user
    // stores meanwhile is refused, never replaced.
    std::int64_t version = 0;
    bool changedByOther = false;
    const StoreResult stored = store->SaveDayIfUnchanged(day, version, changedByOther);
    if (!stored.ok) {
      std::cerr << date << ": " << stored.message << "\n";
      return 1;
    }
  }
  std::cout << store->path() << ": " << days.size() << " days stored\n";
  return 0;
}

int Usage() {
  std::cerr << "usage: eiyou-data check [FOLDER]\n"
               "       eiyou-data compose-dishes DISHES.TSV [FOLDER]\n"
               "       eiyou-data store-days PLAN.TSV [FOLDER]\n"
               "       eiyou-data to-server [--server SETTINGS] [FOLDER]\n"
               "       eiyou-data from-server [--server SETTINGS] [FOLDER]\n";
  return 2;
}

// to-server and from-server: `args` after the sub-command.
int MoveStore(bool toServer, const std::vector<std::string>& args) {
  std::string folder;
  const std::string* given = nullptr;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--server" && i + 1 < args.size())
      given = &args[++i];
    else if (folder.empty() && args[i] != "--server")
      folder = args[i];
    else
      return Usage();
  }
  if (folder.empty()) folder = ".";
  PgSettings server;
  if (given) {
    std::string error;
    if (!ParseServerSettings(*given, server, error)) {
      std::cerr << "--server: " << error << "\n";
      return 2;
    }
  } else {
    const StoreLocation location = ReadStoreLocation(folder);
    if (!location.error.empty()) {
      std::cerr << location.from << ": " << location.error << "\n";
      return 1;
    }
    if (!location.server) {
      std::cerr << "eiyou-data: no server named: give --server 'host=... dbname=...', or set "
                << kServerEnvironmentName << ", or write KONDATE/" << kServerSettingsFileName << "\n";
      return 2;
    }
    server = location.settings;
  }
  const TransferResult moved = toServer ? MoveFolderToServer(folder, server, std::time(nullptr))
                                        : MoveServerToFolder(server, folder, std::time(nullptr));
  if (!moved.ok) {
    std::cerr << moved.message << "\n";
    return 1;
  }
  std::cout << moved.message << "\n"
            << "このフォルダが使う献立表は切り替わっていません（切り替えはプログラムの「設定」で行います）。\n";
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  if (args[0] == "check" && args.size() <= 2) return Check(args.size() == 2 ? args[1] : ".");
  if (args[0] == "compose-dishes" && (args.size() == 2 || args.size() == 3)) {
    // The source is named from where the command was started.
    std::string source = args[1];
    if (!source.empty() && source[0] != '/') source = JoinPath(DataDirectory(), source);
    return ComposeDishes(source, args.size() == 3 ? args[2] : ".");
  }
  if (args[0] == "store-days" && (args.size() == 2 || args.size() == 3)) {
    std::string source = args[1];
    if (!source.empty() && source[0] != '/') source = JoinPath(DataDirectory(), source);
    return StoreDays(source, args.size() == 3 ? args[2] : ".");
  }
  if (args[0] == "to-server" || args[0] == "from-server")
    return MoveStore(args[0] == "to-server", {args.begin() + 1, args.end()});
  return Usage();
}
