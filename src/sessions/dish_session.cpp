#include "sessions/dish_session.h"

#include <algorithm>
#include <functional>

#include "nutrition/food_entry.h"
#include "nutrition/food_groups.h"
#include "nutrition/repoint.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/file_io.h"
#include "tables/folder_lock.h"
#include "tables/table_lines.h"

namespace eiyou {
namespace {

std::string FoodTablePath() { return JoinPath(DataDirectory(), kFoodFileName); }

// Tells one food table from another by its contents: an import replaces the
// file, a copy by hand may keep its date.
std::optional<std::size_t> FoodTableDigest() {
  try {
    return std::hash<std::string>{}(ReadWholeFile(FoodTablePath()));
  } catch (const IoError&) {
    return std::nullopt;
  }
}

}  // namespace

DishFileOpening DishSession::Opening(MessageSink& sink) {
  ClearEvaluation();
  DishFileOpening opening = ReadDishFileAtOpening(sink);
  openedLines_ = opening.lines;
  openedTable_ = FoodTableDigest();
  return opening;
}

DishSession::DishSave DishSession::SaveDishes(const std::vector<std::string>& lines) {
  const std::string path = DishFilePath();
  const DishFolderLock lock(DishDirectoryPath());
  std::vector<std::string> base = openedLines_, ours = lines;
  // A file gone or unreadable tells nothing of what another copy saved: the
  // program never removes it. The write below then meets what is in its place.
  std::vector<std::string> theirs = base;
  try {
    if (EntryExists(path)) theirs = ReadDishFile(path);
  } catch (const IoError&) {
  }
  DishSave save;
  const std::optional<std::size_t> table = FoodTableDigest();
  if (openedTable_ && table && *table != *openedTable_) {
    FoodTable now;
    int row = 0;
    for (std::string& line : ReadTableLines(FoodTablePath(), FoodTable::kMaxRows, nullptr))
      now.SetRow(++row, std::move(line));
    base = RepointDishLines(base, now).lines;
    theirs = RepointDishLines(theirs, now).lines;
    RepointResult mine = RepointDishLines(ours, now);
    save.foodsRepointed = mine.entriesMoved;
    ours = std::move(mine.lines);
    std::stable_sort(ours.begin(), ours.end());  // new line numbers may reorder equal heads
  }
  if (theirs == base) {
    save.lines = std::move(ours);
  } else {
    DishMerge merge = MergeDishLines(base, ours, theirs);
    save.lines = std::move(merge.lines);
    save.othersAdded = merge.added;
    save.othersRemoved = merge.removed;
  }
  WriteDishFile(path, save.lines);
  openedLines_ = save.lines;
  openedTable_ = table;
  return save;
}

std::string DishSaveNote(const DishSession::DishSave& save) {
  std::string note;
  if (save.othersAdded || save.othersRemoved) {
    note = "この画面を開いた後に、ほかの画面やプログラムで献立ファイルが保存されていたため、";
    if (save.othersAdded)
      note += "そちらで登録された献立 " + std::to_string(save.othersAdded) + " 件を一覧に加え";
    if (save.othersAdded && save.othersRemoved) note += "、";
    if (save.othersRemoved)
      note += std::string(save.othersAdded ? "" : "そちらで") + "削除された献立 " +
              std::to_string(save.othersRemoved) + " 件を一覧から除い";
    note += "て保存しました。";
  }
  if (save.foodsRepointed) {
    if (!note.empty()) note += "\n";
    note += "この画面を開いた後に食品成分表が入れ替えられていたため、献立の食品 " +
            std::to_string(save.foodsRepointed) +
            " 件を新しい表の同じ食品番号の行に合わせて保存しました。";
  }
  return note;
}

void DishSession::LoadFood(MessageSink& sink) {
  // Forgotten first: rows stored before a read error must not show old names.
  shown_.clear();
  shownReady_.clear();
  names_.Clear();
  SideTables::LoadFood(sink);
}

DishSession::FoodList DishSession::ListGroup(int chosenIndex) {
  SelectedGroup = chosenIndex + 1;
  return ListRows(FoodRowsOfGroup(food, SelectedGroup));
}

DishSession::FoodList DishSession::Search(std::string_view typedUtf8) {
  // The everyday names are read with the names they find: pressing 読込
  // after editing the file takes the new mappings.
  if (!names_.built()) names_.Build(food, LoadEverydayNames());
  return ListRows(names_.Find(typedUtf8));
}

bool DishSession::HasFoods() const {
  for (int row = 1; row <= food.rows(); ++row)
    if (!food.Cell(2, row).empty()) return true;
  return false;
}

void DishSession::Evaluate(const std::vector<std::string>& foods) {
  AddFoods(food, marks, ReadFoodEntries(foods), calc.totals, chosen_.extra, chosen_.notes);
}

void DishSession::ClearEvaluation() {
  calc.ClearTotals();
  chosen_ = FigureColumn{};
}

FigureTableRows DishSession::Figures(const std::vector<std::string>& composing, int sex,
                                     int ageRow) const {
  FigureColumn dish;
  AddFoodsToColumn(dish, food, marks, composing);
  FigureColumn chosen = chosen_;
  chosen.nine = calc.totals;
  // The chart's own targets, made on a calculator of our own: the chart's
  // targets change only when it is drawn or erased.
  NutrientCalculator targets(food, reference);
  const bool row = reference.IsLoaded() && (sex == 0 || sex == 1) && ageRow >= 1 &&
                   ageRow <= ReferenceTable::kRows;
  if (row) targets.LoadTargets(sex, ageRow);
  return MakeFigureTable(dish, chosen, row ? &targets.targets : nullptr, extraReference, sex,
                         ageRow);
}

DishSession::FoodList DishSession::ListRows(const std::vector<int>& rows) {
  const auto size = static_cast<std::size_t>(food.rows());
  if (shown_.size() != size) {
    shown_.resize(size);
    shownReady_.resize(size);
  }
  FoodList list;
  list.choices.reserve(rows.size());
  list.shown.reserve(rows.size());
  for (int r : rows) {
    list.choices.push_back(FoodChoiceText(food, r));
    const auto i = static_cast<std::size_t>(r - 1);
    if (!shownReady_[i]) {
      shown_[i] = Cp932ToUtf8(list.choices.back());
      shownReady_[i] = true;
    }
    list.shown.push_back(shown_[i]);
  }
  return list;
}

ChartBlocker DishSession::CheckChart(int sex, int ageRow) const {
  if (!reference.IsLoaded()) return ChartBlocker::NoReference;
  return RowChoice(sex, ageRow);
}

void DishSession::DrawChart(Canvas& canvas, int sex, int ageRow, Rgb buttonFace) {
  if (ChartDrawn) ClearChart(canvas, buttonFace);
  calc.LoadTargets(sex, ageRow);
  chart.DrawChart(canvas, calc.totals, calc.targets);
  ChartDrawn = true;
}

void DishSession::EraseChart(Canvas& canvas, int sex, int ageRow, Rgb buttonFace) {
  calc.LoadTargets(sex, ageRow);
  chart.EraseGraph(canvas, calc.totals, calc.targets, buttonFace);
  ChartDrawn = false;
}

}  // namespace eiyou
