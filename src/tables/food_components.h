// Every component of the official table, kept beside the 23-column food table
// in 食品成分表５訂.COMPONENTS: the table has room for 21 values, the official
// table gives about 55 per food (zinc, vitamin D, folate, ...). The importer
// writes the file with the table; whoever needs a nutrient the table lacks
// reads it here, by food number and component identifier.
//
// Text, CR LF after every line (a lone LF is read too):
//   line 1  "EIYOU-COMPONENTS\t1\t<size of 食品成分表５訂.CSV in bytes>\t<edition>"
//           (the edition CP932 as in 食品成分表５訂.EDITION, or empty)
//   line 2  "FN" and the component identifiers, tab-separated, in the source's order
//   then    one line per food: the five-digit food number ("01001") and one
//           cell per identifier: a number ("12.3", digits with an optional
//           decimal part), an estimate "(12.3)", "Tr", "(Tr)", "(0)", "-", or
//           nothing when the official table gives nothing.
// The size ties the file to its table as the edition record is tied: a table
// put in place by hand never shows another table's components.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace eiyou {

class FoodTable;

inline constexpr const char* kFoodComponentsFileName = "食品成分表５訂.COMPONENTS";

// The first line of a file belonging to a table of `tableBytes`, CR LF included.
std::string FoodComponentsHeader(std::uintmax_t tableBytes, std::string_view edition);

// What a cell stands for.
enum class ComponentMark : unsigned char {
  Plain,           // "12.3"
  Estimated,       // "(12.3)"
  Trace,           // "Tr"
  EstimatedTrace,  // "(Tr)"
  PresumedZero,    // "(0)"
  NotAnalysed,     // "-"
  None,            // an empty cell: the official table gives nothing here
  NotAvailable,    // no such food or component, or no file of this table
};

struct ComponentValue {
  double value = 0;  // the figure of Plain and Estimated cells, else 0
  ComponentMark mark = ComponentMark::NotAvailable;
  bool HasFigure() const { return mark == ComponentMark::Plain || mark == ComponentMark::Estimated; }
};

// A line the reader refused; `text` is Japanese and names no file.
struct ComponentProblem {
  int line = 0;  // 1-based; 0 for the file as a whole
  std::string text;
};

class FoodComponents {
 public:
  // The most foods read, as the food table's rows.
  static constexpr int kMaxFoods = 100000;
  static constexpr std::size_t kMaxBytes = std::size_t{32} << 20;

  // Not available: every value reads NotAvailable.
  FoodComponents() = default;

  // Reads the file's bytes for a table of `tableBytes`. A first or second
  // line that is not of the form, or a file of another table, leaves nothing
  // available; a food line without a five-digit number or with another count
  // of cells, or a number met before, is refused alone (that food reads
  // NotAvailable). Each refusal is listed in problems(). The cells are read
  // when asked for: most foods of a table are never asked for in a run.
  static FoodComponents Parse(std::string bytes, std::uintmax_t tableBytes);

  // Reads every cell and lists in problems() each one that is none of the
  // notations (Value reads it NotAvailable): for a checker.
  void CheckCells();

  bool available() const { return !identifiers_.empty(); }
  const std::string& edition() const { return edition_; }
  // The component identifiers, without "FN".
  const std::vector<std::string>& identifiers() const { return identifiers_; }
  int foodCount() const { return static_cast<int>(numbers_.size()); }
  const std::vector<ComponentProblem>& problems() const { return problems_; }

  // -1 when there is none.
  int ComponentIndex(std::string_view identifier) const;
  // The food of a number in the file's form ("01001") or the table's (" 1001").
  int FoodIndex(std::string_view number) const;
  // The food of row `row` (1-based) of a 23-column table, by its food number.
  int FoodOfRow(const FoodTable& table, int row) const;
  // The official five-digit number of food `food`.
  std::string FoodNumber(int food) const;

  // A cell that is none of the notations reads NotAvailable.
  ComponentValue Value(int food, int component) const;
  ComponentValue Value(int food, std::string_view identifier) const {
    return Value(food, ComponentIndex(identifier));
  }

 private:
  friend FoodComponents LoadFoodComponents();
  void Problem(int line, std::string text);
  // A problem that leaves nothing available.
  void Refuse(int line, std::string text);
  // The first byte of a cell, and in `end` the end of its line.
  const char* Cell(int food, int component, const char*& end) const;

  // The file; its lines end in CR or LF, the last one perhaps in the NUL
  // after the text, so that a cell's reading stops at its line's end.
  std::string bytes_;
  std::string edition_;
  std::vector<std::string> identifiers_;
  // By food: its number, line number, and its line's place in bytes_.
  std::vector<std::int32_t> numbers_, lines_;
  std::vector<std::uint32_t> begin_, size_;
  std::vector<std::pair<std::int32_t, std::int32_t>> index_;  // (number, food), sorted
  std::vector<ComponentProblem> problems_;
};

// The components of the food table in the current data directory, read
// without a word: not available without a table, a file, or a file of this
// table (problems() says which, for a checker).
FoodComponents LoadFoodComponents();

// Turns a table number (" 1001", "10001") or an official one ("01001") into
// the number; -1 when the text is neither.
std::int32_t FoodNumberValue(std::string_view text);

}  // namespace eiyou
