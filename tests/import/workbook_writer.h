// Writes workbooks laid out like the official food composition workbook, for
// the test fixtures, the tests of hostile files and the import benchmark.
// Zips with libzip (fixed times, so the output is reproducible).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace eiyou::fixtures {

using Records = std::vector<std::vector<std::string>>;

// A zip archive of these entries (name, bytes), deflated, in this order.
std::string ZipBytes(const std::vector<std::pair<std::string, std::string>>& entries);

// Tab-separated text with RFC-4180 quoting ("" inside quotes); line ends LF or CR LF.
Records ParseDelimited(std::string_view text, char separator = '\t');
// The reverse: a field holding the separator, a quote or a line end is quoted.
std::string WriteDelimited(const Records& records, char separator = '\t');

struct WorkbookOptions {
  std::string sheetName = "表全体";
  bool identifierRow = true;      // row 12 with "成分識別子"
  bool numberIdentifier = true;   // "FN" in row 12 (else only the caption 食品番号 tells)
  std::vector<std::string> dropIdentifiers;  // left out of row 12
  // Extra parts replacing or joining the generated ones (name, bytes).
  std::vector<std::pair<std::string, std::string>> extraParts;
};

// The parts of the workbook: "[Content_Types].xml", "_rels/.rels",
// "xl/workbook.xml" (a second sheet "別表" precedes 表全体 in the part names but
// not in the sheet order), its relationships, "xl/worksheets/sheet2.xml" with
// caption rows 1-11 (merged cells), identifiers in row 12 with suffixes
// ("PROT-", "成分識別子" in column D) and the foods from row 13, and
// "xl/sharedStrings.xml". records[0] are the identifiers as in the text
// export, the others the foods. Food numbers are numbers in every other row;
// values are numbers where that keeps their text, otherwise shared strings,
// and inline strings in every third row; one name is rich text with furigana.
std::vector<std::pair<std::string, std::string>> OfficialLayoutParts(
    const Records& records, const WorkbookOptions& options = {});

std::string OfficialLayoutWorkbook(const Records& records, const WorkbookOptions& options = {});

// A column's letters: 0 → "A", 26 → "AA".
std::string ColumnName(int column);

}  // namespace eiyou::fixtures
