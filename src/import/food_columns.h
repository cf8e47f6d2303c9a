// The mapping from the source's component identifiers to the table's 23
// columns, the reading of the header, and the rules that turn a source cell
// into a table cell. Shared by the workbook and the text readers.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "import/food_import.h"

namespace eiyou::import {

// Source slot k holds the text of table column k + 1: slot 0 the food number,
// slot 1 the name, slots 2..22 the values.
inline constexpr int kSlots = kImportColumns;

struct ColumnSource {
  const char* identifier;  // as in the source, without suffixes
  const char* caption;     // Japanese, for messages and the summary
};
// Slot by slot; slot 6 (column 7, 糖質) is worked out from CHOCDF and FIB,
// slot 16 (column 17, vitamin A in IU) from VITA_RAE.
extern const std::array<ColumnSource, kSlots> kColumnSources;
inline constexpr int kCarbohydrateSlot = 6;
inline constexpr int kFibreSlot = 7;
inline constexpr int kVitaminASlot = 16;

// Every component identifier of the official table, in its order: the
// companion file beside the table keeps whichever of them a source has (the
// flag column CHOAVLM_ is no value and is left out).
inline constexpr int kComponentCount = 54;
extern const std::array<const char*, kComponentCount> kComponentIdentifiers;

// A row's cells as (0-based column, UTF-8 text) pairs.
using RowCells = std::vector<std::pair<int, std::string>>;

// "PROT-" → "PROT", "VITK " → "VITK": blanks around and trailing marks that
// are not part of an identifier go.
std::string NormalizeIdentifier(std::string_view text);

// Trims ASCII blanks, tabs, line ends and U+3000 from both ends.
std::string_view TrimBlanks(std::string_view text);

// The identifier row: a cell "成分識別子", or cells "FN" and "Tagnames" or "食品名".
bool IsIdentifierRow(const RowCells& row);

// Columns found in the identifier row (and the caption rows above it).
struct ColumnMap {
  std::array<int, kSlots> column;  // -1 where not found
  int groupColumn = -1;            // FG, optional
  // The component identifiers found, in the official order, and their columns.
  std::vector<std::string> components;
  std::vector<int> componentColumn;
  std::vector<std::string> found, missing;
  std::string error;  // UTF-8, when a required column is missing
};
// `captions` are the cells of the rows above: a column headed 食品番号 or 食品名
// stands in for FN or the name when those identifiers are absent.
ColumnMap MapColumns(const RowCells& identifierRow, const RowCells& captions);

// The edition named by a title cell of the official workbook, shortened as the
// program's captions name the table: "日本食品標準成分表（八訂）増補2023年" →
// "食品成分表（八訂）増補2023年", "日本食品標準成分表2020年版（八訂）" →
// "食品成分表2020年版（八訂）". Empty when the text names no "（…訂）" edition.
std::string EditionFromTitle(std::string_view utf8);

// Keeps the cells that may head the food number or name columns.
bool IsUsefulCaption(std::string_view text);
// Such a caption without its blanks ("食 品 名" → "食品名"): the two kinds apart.
std::string CaptionKind(std::string_view text);

// A cell text after the rules: blanks trimmed, "(12.3)" → "12.3" (Estimated),
// "Tr"/"(Tr)" → "Tr", "(0)" and "-" kept, a trailing "†" dropped, empty → "-".
struct CellValue {
  std::string text;  // ASCII; "-" for a problem
  CellMark mark = CellMark::Plain;
  bool empty = false;  // the source cell was empty
};
CellValue ApplyCellRules(std::string_view utf8);

// A cell as the companion file keeps it (ASCII): blanks trimmed and a
// trailing "†" dropped, a number in its shortest form ("0.10" → "0.1", "5.0" →
// "5"), an estimate "(0.1)", "Tr", "(Tr)", "(0)", "-", empty when empty or "*"
// (a figure given only in the food's note). False
// for any other text, which is then kept empty.
bool ComponentCell(std::string_view utf8, std::string& out);

// Vitamin A potency in IU from VITA_RAE in µg: × 10 / 3, rounded half away
// from zero on the exact decimal value. Notations without a number are copied.
CellValue VitaminAUnits(const CellValue& retinolActivity);

// 糖質 as food labelling defines it: carbohydrate (CHOCDF) minus dietary fibre
// (FIB), in exact decimal arithmetic, rounded half away from zero to one
// decimal; a negative difference is 0. A fibre cell without a figure ("-",
// "Tr", "(0)") counts as 0; a carbohydrate cell without one is copied. The mark
// is Estimated when either figure is an estimate or the fibre was not analysed
// (the difference then assumes none), else Plain; an unreadable fibre cell
// leaves "-" marked Problem.
CellValue CarbohydrateLessFibre(const CellValue& carbohydrate, const CellValue& fibre);

// A numeric cell's value as the shortest decimal that reads back to the same
// double, never with an exponent ("0.1", "12", "0.00001").
std::string ShortestDecimal(double value);

// Turns the rows read into foods (numbers, group checks, names in CP932, cell
// rules), adding to `result`. Each row is the source slots' texts (UTF-8) and
// the row or line number for messages.
struct SourceRow {
  int line = 0;
  std::array<std::string, kSlots> cells;
  std::vector<std::string> components;  // as ColumnMap::components
};
void AddFood(const SourceRow& row, const ImportLimits& limits, FoodImport& result);

// A five-digit food number from a cell text: 1 to 5 digits, padded with zeros
// ("1001" → "01001"); empty when the text is not one.
std::string FoodNumber(std::string_view text);

// At most `maxBytes` of a text for a message, cut before a UTF-8 character
// and marked "…" when cut: a hostile cell may hold megabytes.
std::string Excerpt(std::string_view utf8, std::size_t maxBytes = 80);

// Adds a problem line, or counts it once the list is full.
void AddProblem(FoodImport& result, const ImportLimits& limits, std::string line);

}  // namespace eiyou::import
