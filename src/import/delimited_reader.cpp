// Tab- or comma-separated text: fields in double quotes may hold separators,
// line ends and doubled quotes (""). The identifier line may follow caption
// lines, as in a sheet saved as text; the separator is the one with which an
// identifier line is found (tab first).
#include <string>

#include "import/food_columns.h"
#include "import/readers.h"
#include "import/sheet_rows.h"
#include "tables/cp932.h"

namespace eiyou::import {
namespace {

constexpr std::size_t kProgressStep = 256 * 1024;

// Appends what is left of `room` bytes of `piece` to `field`: a cell past its
// cap is refused by the row walk, so its bytes need not be gathered.
void AppendWithin(std::string& field, std::string_view piece, std::size_t room) {
  if (field.size() < room) field.append(piece.substr(0, room - field.size()));
}

// Walks the records; false when the walk stopped early (result.error says why,
// or a cancel). `found` tells whether an identifier line was met; `openQuote`
// that a quote opened before it was never closed, which a file of the other
// separator may show the same bytes to do.
bool Walk(std::string_view text, char separator, const ImportProgress& progress,
          const ImportLimits& limits, FoodImport& result, bool& found, bool& openQuote) {
  SheetRows rows(limits, result);
  const std::size_t n = text.size();
  std::size_t i = 0, nextProgress = kProgressStep;
  int line = 1, records = 0;
  std::string field;
  while (i < n) {
    if (++records > limits.rows) {
      result.error = "行が多すぎます（上限 " + std::to_string(limits.rows) + " 行）";
      return false;
    }
    rows.BeginRow(line);
    int column = 0;
    for (;;) {  // one field per pass
      if (column >= limits.columns) {
        result.error = std::to_string(line) + "行目の列が多すぎます（上限 " +
                       std::to_string(limits.columns) + " 列）";
        return false;
      }
      const bool wanted = rows.Wants(column);
      const std::size_t room = wanted ? rows.CellRoom() : 0;
      field.clear();
      if (i < n && text[i] == '"') {
        const int openedOn = line;
        ++i;
        for (;;) {
          const std::size_t quote = text.find('"', i);
          if (quote == std::string_view::npos) {
            // Every later line would be this one field.
            result.error = std::to_string(openedOn) +
                           "行目で開いた引用符（\"）がファイルの終わりまで閉じられていません";
            openQuote = rows.InHeader();
            found = !openQuote;
            return false;
          }
          AppendWithin(field, text.substr(i, quote - i), room);
          for (std::size_t k = i; k < quote; ++k) line += text[k] == '\n';
          if (quote + 1 < n && text[quote + 1] == '"') {
            AppendWithin(field, "\"", room);
            i = quote + 2;
          } else {
            i = quote + 1;
            break;
          }
        }
      }
      // Unquoted text, or what follows a closing quote, up to the separator or line end.
      std::size_t end = i;
      while (end < n && text[end] != separator && text[end] != '\n' && text[end] != '\r') ++end;
      if (wanted) {
        AppendWithin(field, text.substr(i, end - i), room);
        if (!rows.Cell(column, field)) {
          found = true;
          return false;
        }
      }
      i = end;
      ++column;
      if (i < n && text[i] == separator) {
        ++i;
        continue;
      }
      break;
    }
    if (i < n && text[i] == '\r') ++i;
    if (i < n && text[i] == '\n') ++i;
    ++line;
    const bool header = rows.InHeader();
    if (!rows.EndRow()) {
      found = true;
      return false;
    }
    found = found || (header && !rows.InHeader());
    if (progress && i >= nextProgress) {
      nextProgress = i + kProgressStep;
      if (!progress(0.05 + 0.9 * double(i) / double(n))) {
        result.error = kCancelledMessage;
        return false;
      }
    }
  }
  if (!found) return true;
  rows.Finish("");
  return true;
}

}  // namespace

void ReadDelimited(std::string_view bytes, const ImportProgress& progress,
                   const ImportLimits& limits, FoodImport& result) {
  std::string decoded;
  bytes = Utf8OrCp932Text(bytes, decoded);
  // A quote left open among the captions is the first thing to tell when
  // neither separator finds the identifiers.
  FoodImport openQuoteAttempt;
  for (const char separator : {'\t', ','}) {
    FoodImport attempt;
    attempt.format = separator == '\t' ? "tsv" : "csv";
    bool found = false, openQuote = false;
    Walk(bytes, separator, progress, limits, attempt, found, openQuote);
    if (openQuote) {
      if (openQuoteAttempt.error.empty()) openQuoteAttempt = std::move(attempt);
    } else if (found || !attempt.error.empty()) {
      result = std::move(attempt);
      return;
    }
  }
  if (!openQuoteAttempt.error.empty()) {
    result = std::move(openQuoteAttempt);
    return;
  }
  result.format = "tsv";
  result.error =
      "成分識別子の見出し行（FN と Tagnames または 食品名 のある行）が見つかりません";
}

}  // namespace eiyou::import
