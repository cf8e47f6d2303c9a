#include "nutrition/intakes.h"

#include <string_view>

#include "tables/numbers.h"

namespace eiyou {

namespace {

// The 23-column table's stand-ins: identifier, column, factor to the
// companion's unit.
struct TableColumn {
  std::string_view id;
  int column;
  double factor;
};
constexpr TableColumn kTableColumns[] = {
    {"ENERC_KCAL", 3, 1}, {"PROT", 5, 1},  {"FAT", 6, 1},       {"FIB", 8, 1},   {"CA", 10, 1},
    {"P", 11, 1},         {"FE", 12, 1},   {"K", 14, 1},        {"VITA_RAE", 17, 0.3},
    {"THIA", 18, 1},      {"RIBF", 19, 1}, {"VITC", 21, 1},     {"NACL_EQ", 22, 1}};

const TableColumn* TableColumnOf(std::string_view id) {
  for (const TableColumn& c : kTableColumns)
    if (c.id == id) return &c;
  return nullptr;
}

}  // namespace

IntakeCounter::IntakeCounter(const FoodTable& food, const std::vector<FoodMarksLine>& marks,
                             const FoodComponents& components)
    : food_(food), marks_(marks), components_(components) {
  for (std::size_t k = 0; k < kCount; ++k) {
    component_[k] = components.available() ? components.ComponentIndex(kIntakeIdentifiers[k]) : -1;
    held_[k] = components.available() ? component_[k] >= 0
                                      : TableColumnOf(kIntakeIdentifiers[k]) != nullptr;
  }
}

const IntakeCounter::RowCells* IntakeCounter::Row(std::int32_t row) {
  if (row < 1 || row > food_.rows()) return nullptr;
  if (slot_.empty()) slot_.resize(static_cast<std::size_t>(food_.rows()) + 1);
  std::int32_t& slot = slot_[static_cast<std::size_t>(row)];
  if (slot == 0) {
    RowCells& cells = rows_.emplace_back();
    const int foodIndex = components_.available() ? components_.FoodOfRow(food_, row) : -1;
    for (std::size_t k = 0; k < kCount; ++k) {
      Cell& cell = cells[k];
      if (!held_[k]) continue;
      if (foodIndex >= 0) {
        const ComponentValue v = components_.Value(foodIndex, component_[k]);
        switch (v.mark) {
          case ComponentMark::Plain: cell.value = v.value; break;
          case ComponentMark::Estimated: cell = {v.value, true, false}; break;
          case ComponentMark::Trace:
          case ComponentMark::EstimatedTrace:
          case ComponentMark::PresumedZero: break;
          default: cell.incomplete = true; break;
        }
      } else if (const TableColumn* c = TableColumnOf(kIntakeIdentifiers[k])) {
        switch (QualityOf(food_, marks_, c->column, row)) {
          case CellQuality::NotAnalysed: cell.incomplete = true; break;
          case CellQuality::Estimated: cell.estimated = true; [[fallthrough]];
          case CellQuality::Analysed:
            cell.value = static_cast<double>(ParseRealLenient(food_.Cell(c->column, row))) * c->factor;
            break;
        }
      } else {
        cell.incomplete = true;  // a food the companion lacks
      }
    }
    slot = static_cast<std::int32_t>(rows_.size());
  }
  return &rows_[static_cast<std::size_t>(slot - 1)];
}

Intakes IntakeCounter::Of(std::span<const FoodAmount> foods) {
  std::array<Cell, kCount> sum{};
  for (const FoodAmount& f : foods) {
    if (f.weight == 0) continue;
    const RowCells* cells = Row(f.row);
    if (!cells) continue;
    const double grams = static_cast<double>(f.weight);
    for (std::size_t k = 0; k < kCount; ++k) {
      const Cell& c = (*cells)[k];
      sum[k].value += c.value * grams / 100;
      sum[k].estimated = sum[k].estimated || c.estimated;
      sum[k].incomplete = sum[k].incomplete || c.incomplete;
    }
  }
  Intakes out;
  for (std::size_t k = 0; k < kCount; ++k)
    if (held_[k]) out[kIntakeIdentifiers[k]] = {sum[k].value + 0.0, sum[k].estimated, sum[k].incomplete};
  return out;
}

}  // namespace eiyou
