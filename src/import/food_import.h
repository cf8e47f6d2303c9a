// Importing a food composition table (the official workbook, or a tab- or
// comma-separated export of it) into the program's 23-column food table.
// Plain C++: the command-line tool and the program's import dialog share it.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tables/food_marks.h"
#include "tables/food_table.h"

namespace eiyou {

inline constexpr int kImportColumns = 23;
static_assert(kImportColumns == FoodTable::kColumns);

struct ImportedFood {
  std::string number;                                // five digits as in the source ("01001")
  std::array<std::string, kImportColumns> cells;     // CP932, as written to the table
  std::array<CellMark, kImportColumns> marks{};      // Plain unless noted
  // ASCII, one per FoodImport::componentIdentifiers (ComponentCell).
  std::vector<std::string> components;
};

struct FoodImport {
  bool ok = false;
  std::string error;  // UTF-8 Japanese, when !ok
  std::vector<ImportedFood> foods;
  std::array<int, 19> foodsPerGroup{};  // index 1..18
  // The source columns looked for: FN, the name column, the 21 value
  // identifiers and the optional FG, as found or not found.
  std::vector<std::string> identifiersFound, identifiersMissing;
  // Every official component identifier the source has, in the official
  // order: the columns of the companion file.
  std::vector<std::string> componentIdentifiers;
  std::vector<std::string> problems;  // UTF-8 Japanese, one line each
  int problemsNotListed = 0;          // beyond ImportLimits::problemsListed
  int emptyValueCells = 0;            // written as "-"; summarised in one line
  std::string format;                 // "xlsx", "tsv" or "csv"
  // The edition named in the title rows above the identifiers (CP932, e.g.
  // 食品成分表（八訂）増補2023年); empty when none names one.
  std::string edition;
};

// Caps against hostile or broken files. The defaults are far above the
// official workbook (about 3 MB zipped, a sheet of a few tens of MB).
struct ImportLimits {
  std::size_t fileBytes = std::size_t{256} << 20;      // the file itself
  std::size_t sheetBytes = std::size_t{256} << 20;     // the sheet's XML, uncompressed
  std::size_t partBytes = std::size_t{64} << 20;       // every other part (shared strings, ...)
  std::size_t totalBytes = std::size_t{384} << 20;     // all parts together
  double ratio = 200;                                  // uncompressed / compressed, per part
  int rows = 200000;                                   // source rows (lines) looked at
  int columns = 16384;                                 // the sheet's last column (XFD)
  // Foods kept: the program reads no more lines of the table than this.
  int foods = FoodTable::kMaxRows;
  // A row above the identifier row, all its cells together (each counted with
  // its bookkeeping, so that a row of countless empty cells is capped too);
  // the official headings take a few kilobytes.
  std::size_t headingBytes = std::size_t{1} << 20;
  // One kept cell of a food row (name or value); the longest official name
  // takes a few hundred bytes.
  std::size_t cellBytes = 4096;
  std::size_t problemsListed = 1000;                   // further ones are counted in one line
};

// Progress from 0 to 1; returning false cancels the import (nothing is kept).
using ImportProgress = std::function<bool(double fraction)>;

// Reads the file at `path`: a workbook when it is a zip archive or is named
// *.xlsx, else delimited text. Never writes anything.
FoodImport ImportFoodComposition(const std::string& path, const ImportProgress& progress = {});

// The same over bytes in memory; `fileName` only helps to tell the format.
FoodImport ImportFoodCompositionBytes(std::string_view bytes, const std::string& fileName,
                                      const ImportProgress& progress = {},
                                      const ImportLimits& limits = {});

// The food table file: one CP932 line per food, 23 fields joined by commas,
// CR LF after every line.
std::string FoodTableBytes(const std::vector<ImportedFood>& foods);

// The marks file (tables/food_marks.h) of the imported foods.
std::string FoodMarksBytes(const std::vector<ImportedFood>& foods);

// The companion file (tables/food_components.h) of the imported foods, tied to
// a table of `tableBytes` and naming `edition` (CP932, or empty).
std::string FoodComponentsBytes(const std::vector<ImportedFood>& foods,
                                const std::vector<std::string>& identifiers,
                                std::string_view edition, std::size_t tableBytes);

// The summary for the dialog and the tool, in Japanese, one line each: format,
// foods per group, identifiers found and missing, empty cells, problems.
std::vector<std::string> ImportSummaryLines(const FoodImport& result);

}  // namespace eiyou
