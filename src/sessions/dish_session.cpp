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

bool Holds(const std::vector<std::string>& list, int row) {
  return row >= 0 && static_cast<std::size_t>(row) < list.size();
}

// Runs `load`, then tells the views, also when the load ends in an IoError:
// rows read before the error have changed the table.
template <class Load, class Tell>
void ThenTell(Load&& load, Tell&& tell) {
  try {
    load();
  } catch (...) {
    tell();
    throw;
  }
  tell();
}
}  // namespace

DishFileOpening DishSession::Opening(MessageSink& sink) {
  ClearEvaluation();
  draft_.clear();
  dishes_.clear();
  // Not ChooseAge: the chart drawn flag outlives the window.
  sex_ = -1;
  ageRow_ = 0;
  if (server) server->Refresh(sink);
  DishFileOpening opening = ReadDishFileAtOpening(sink);
  openedLines_ = opening.lines;
  openedTable_ = FoodTableDigest();
  dishes_ = std::move(opening.lines);
  opening.lines.clear();
  SortInListOrder(dishes_);
  Changed(DishChange::Draft);
  Changed(DishChange::Dishes);
  Changed(DishChange::Reckoning);
  return opening;
}

FoodPick DishSession::PickFood(std::string_view choice, std::string_view typedWeight) {
  FoodPickResult pick = ComposeFoodEntry(choice, typedWeight);
  if (pick.outcome == FoodPick::Added) {
    const std::size_t row = InsertInListOrder(draft_, std::move(pick.entry));
    Changed(DishChange::Draft, {ListChange::Inserted, static_cast<int>(row)});
  }
  return pick.outcome;
}

void DishSession::RemoveFood(int row) {
  if (!Holds(draft_, row)) return;
  draft_.erase(draft_.begin() + row);
  Changed(DishChange::Draft, {ListChange::Removed, row});
}

void DishSession::ClearDraft() {
  draft_.clear();
  Changed(DishChange::Draft);
}

DishLineResult DishSession::RegisterDish(std::string_view name) {
  DishLineResult dish = ComposeDishLine(SelectedCuisine, SelectedCategory, name, draft_,
                                        static_cast<int>(dishes_.size()));
  if (dish.outcome == DishRegistration::Registered) {
    const std::size_t row = InsertInListOrder(dishes_, dish.line);
    Changed(DishChange::Dishes, {ListChange::Inserted, static_cast<int>(row)});
  }
  return dish;
}

void DishSession::RemoveDish(int row) {
  if (!Holds(dishes_, row)) return;
  dishes_.erase(dishes_.begin() + row);
  Changed(DishChange::Dishes, {ListChange::Removed, row});
}

void DishSession::SelectDish(int row) {
  // The fourth and every later field; an empty one gives an empty item.
  draft_ = Holds(dishes_, row) ? DishFoods(dishes_[static_cast<std::size_t>(row)])
                               : std::vector<std::string>{};
  SortInListOrder(draft_);
  Changed(DishChange::Draft);
}

DishSession::DishSave DishSession::SaveDishes() {
  const std::string path = DishFilePath();
  const DishFolderLock lock(DishDirectoryPath());
  std::vector<std::string> base = openedLines_, ours = dishes_;
  DishSave save;
  const std::optional<std::size_t> table = FoodTableDigest();
  std::optional<FoodTable> now;
  if (openedTable_ && table && *table != *openedTable_) {
    now.emplace();
    int row = 0;
    for (std::string& line : ReadTableLines(FoodTablePath(), FoodTable::kMaxRows, nullptr))
      now->SetRow(++row, std::move(line));
    base = RepointDishLines(base, *now).lines;
    RepointResult mine = RepointDishLines(ours, *now);
    save.foodsRepointed = mine.entriesMoved;
    ours = std::move(mine.lines);
    std::stable_sort(ours.begin(), ours.end());  // new line numbers may reorder equal heads
  }
  std::optional<DishMerge> merge;
  if (server) merge = server->Save(base, ours, now ? &*now : nullptr);
  if (merge) {
    save.server = true;
  } else {
    // A file gone or unreadable tells nothing of what another copy saved: the
    // program never removes it. The write below then meets what is in its place.
    std::vector<std::string> theirs = base;
    try {
      if (EntryExists(path)) theirs = ReadDishFile(path);
    } catch (const IoError&) {
    }
    if (now) theirs = RepointDishLines(theirs, *now).lines;
    if (theirs != base) merge = MergeDishLines(base, ours, theirs);
  }
  if (merge) {
    save.lines = std::move(merge->lines);
    save.othersAdded = merge->added;
    save.othersRemoved = merge->removed;
  } else {
    save.lines = std::move(ours);
  }
  const auto written = [&] {
    openedLines_ = save.lines;
    openedTable_ = table;
    if (save.listChanged()) {
      // The list shows what was written.
      dishes_ = save.lines;
      SortInListOrder(dishes_);
      Changed(DishChange::Dishes);
    }
  };
  if (save.server) {
    // The server holds the list now: a working copy that cannot be written
    // must not make the next save take the server's lines for the window's.
    ThenTell([&] { WriteDishFile(path, save.lines); }, written);
  } else {
    WriteDishFile(path, save.lines);
    written();
  }
  return save;
}

std::string DishSaveNote(const DishSession::DishSave& save) {
  std::string note;
  if (save.othersAdded || save.othersRemoved) {
    note = save.server
               ? "この画面を開いた後に、ほかの利用者が共有サーバーの献立を保存していたため、"
               : "この画面を開いた後に、ほかの画面やプログラムで献立ファイルが保存されていたため、";
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
  ThenTell([&] { SideTables::LoadFood(sink); }, [&] { Changed(DishChange::Reckoning); });
}

void DishSession::LoadReference(MessageSink& sink) {
  ThenTell([&] { SideTables::LoadReference(sink); }, [&] { Changed(DishChange::Reckoning); });
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

void DishSession::EvaluateDish(int row) {
  if (!Holds(dishes_, row)) return;
  evaluated_.push_back(SplitDishLine(dishes_[static_cast<std::size_t>(row)]).name);
  Evaluate(draft_);
  Changed(DishChange::Evaluated, {ListChange::Inserted, static_cast<int>(evaluated_.size()) - 1});
}

void DishSession::Evaluate(const std::vector<std::string>& foods) {
  const std::vector<FoodAmount> amounts = ReadFoodEntries(foods);
  AddFoods(food, marks, amounts, calc.totals, chosen_.extra, chosen_.notes);
  chosenFoods_.insert(chosenFoods_.end(), amounts.begin(), amounts.end());
}

void DishSession::ClearEvaluation() {
  evaluated_.clear();
  calc.ClearTotals();
  chosen_ = FigureColumn{};
  chosenFoods_.clear();
  Changed(DishChange::Evaluated);
}

FigureTableRows DishSession::Figures() const {
  const std::vector<std::string>& composing = draft_;
  const int sex = sex_, ageRow = ageRow_;
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

void DishSession::ChooseSex(int sex) {
  sex_ = sex;
  Changed(DishChange::Reckoning);
}

void DishSession::ChooseAge(int ageRow) {
  ageRow_ = ageRow;
  ChartDrawn = false;
  Changed(DishChange::Reckoning);
}

ChartBlocker DishSession::CheckChart() const {
  if (!reference.IsLoaded()) return ChartBlocker::NoReference;
  return RowChoice(sex_, ageRow_);
}

void DishSession::DrawChart(Canvas& canvas, Rgb buttonFace) {
  if (ChartDrawn) ClearChart(canvas, buttonFace);
  calc.LoadTargets(sex_, ageRow_);
  chart.DrawChart(canvas, calc.totals, calc.targets);
  ChartDrawn = true;
}

void DishSession::EraseChart(Canvas& canvas, Rgb buttonFace) {
  calc.LoadTargets(sex_, ageRow_);
  chart.EraseGraph(canvas, calc.totals, calc.targets, buttonFace);
  ChartDrawn = false;
}

AssessmentView DishSession::Assessed() {
  AssessmentView view;
  if (evaluated_.empty()) {
    view.assessment = assessment->AssessFoods(food, marks, ReadFoodEntries(draft_));
    view.subject = "作成中の献立";
  } else {
    view.assessment = assessment->AssessFoods(food, marks, chosenFoods_);
    view.subject = "選んだ献立（" + std::to_string(evaluated_.size()) + "品）";
  }
  return view;
}

}  // namespace eiyou
