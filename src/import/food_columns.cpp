#include "import/food_columns.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "import/value_reading.h"
#include "tables/cp932.h"

namespace eiyou::import {

const std::array<ColumnSource, kSlots> kColumnSources = {{
    {"FN", "食品番号"},
    {"Tagnames", "食品名"},
    {"ENERC_KCAL", "エネルギー（kcal）"},
    {"WATER", "水分"},
    {"PROT", "たんぱく質"},
    {"FAT", "脂質"},
    {"CHOCDF", "炭水化物"},
    {"FIB", "食物繊維総量"},
    {"ASH", "灰分"},
    {"CA", "カルシウム"},
    {"P", "リン"},
    {"FE", "鉄"},
    {"NA", "ナトリウム"},
    {"K", "カリウム"},
    {"RETOL", "レチノール"},
    {"CARTBEQ", "β－カロテン当量"},
    {"VITA_RAE", "レチノール活性当量"},
    {"THIA", "ビタミンB1"},
    {"RIBF", "ビタミンB2"},
    {"NIA", "ナイアシン"},
    {"VITC", "ビタミンC"},
    {"NACL_EQ", "食塩相当量"},
    {"REFUSE", "廃棄率"},
}};

const std::array<const char*, kComponentCount> kComponentIdentifiers = {
    "REFUSE",  "ENERC",  "ENERC_KCAL", "WATER",  "PROTCAA", "PROT",   "FATNLEA",  "CHOLE",
    "FAT",     "CHOAVLM", "CHOAVL",    "CHOAVLDF", "FIB",   "POLYL",  "CHOCDF",   "OA",
    "ASH",     "NA",     "K",          "CA",     "MG",      "P",      "FE",       "ZN",
    "CU",      "MN",     "ID",         "SE",     "CR",      "MO",     "RETOL",    "CARTA",
    "CARTB",   "CRYPXB", "CARTBEQ",    "VITA_RAE", "VITD",  "TOCPHA", "TOCPHB",   "TOCPHG",
    "TOCPHD",  "VITK",   "THIA",       "RIBF",   "NIA",     "NE",     "VITB6A",   "VITB12",
    "FOL",     "PANTAC", "BIOT",       "VITC",   "ALC",     "NACL_EQ"};

namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";  // U+3000
constexpr std::string_view kDagger = "\xE2\x80\xA0";            // U+2020 †
constexpr std::string_view kIdentifierRowMark = "成分識別子";

bool IsAsciiBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsIdentifierChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Digits, optionally "." and more digits: the only numbers the table holds.
bool IsDecimal(std::string_view s) {
  const std::size_t dot = s.find('.');
  if (dot == std::string_view::npos) return IsDigits(s);
  return IsDigits(s.substr(0, dot)) && IsDigits(s.substr(dot + 1));
}

// The text with every blank (ASCII or U+3000) removed: captions are often
// spread out ("食 品 名") or broken over lines.
std::string WithoutBlanks(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (IsAsciiBlank(text[i])) {
      ++i;
    } else if (text.substr(i, 3) == kIdeographicSpace) {
      i += 3;
    } else {
      out += text[i++];
    }
  }
  return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = char(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

bool IsTableIdentifier(std::string_view id) {
  return std::any_of(kColumnSources.begin() + 2, kColumnSources.end(),
                     [&](const ColumnSource& source) { return id == source.identifier; });
}

std::string Label(int slot) {
  return std::string(kColumnSources[slot].identifier) + "（" + kColumnSources[slot].caption + "）";
}

// Encodes a name for the table: CP932, "," and "=" (the table's separators)
// as their full-width forms, control characters as blanks. Characters without
// a CP932 code become "？" and the food is reported.
std::string NameCell(std::string_view utf8, const std::string& number, const ImportLimits& limits,
                     FoodImport& result) {
  std::string text;
  bool hadControl = false;
  for (char c : utf8) {
    if (c == ',') {
      text += "，";
    } else if (c == '=') {
      text += "＝";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      text += ' ';
      hadControl = true;
    } else {
      text += c;
    }
  }
  if (hadControl)
    AddProblem(result, limits, "食品番号 " + number + ": 食品名の改行や制御文字を空白にしました");
  std::string out;
  if (Utf8ToCp932(text, out)) return out;

  // Character by character, to keep every encodable one.
  out.clear();
  std::string piece;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    length = std::min(length, text.size() - i);
    if (Utf8ToCp932(std::string_view(text).substr(i, length), piece)) {
      out += piece;
    } else {
      out += "\x81\x48";  // "？"
    }
    i += length;
  }
  AddProblem(result, limits,
             "食品番号 " + number + ": 食品名「" + Excerpt(utf8) +
                 "」に CP932 で書けない文字があり、「？」に置き換えました");
  return out;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  for (;;) {
    if (!text.empty() && IsAsciiBlank(text.front())) {
      text.remove_prefix(1);
    } else if (text.substr(0, 3) == kIdeographicSpace) {
      text.remove_prefix(3);
    } else {
      break;
    }
  }
  for (;;) {
    if (!text.empty() && IsAsciiBlank(text.back())) {
      text.remove_suffix(1);
    } else if (text.size() >= 3 && text.substr(text.size() - 3) == kIdeographicSpace) {
      text.remove_suffix(3);
    } else {
      break;
    }
  }
  return text;
}

std::string NormalizeIdentifier(std::string_view text) {
  text = TrimBlanks(text);
  while (!text.empty() && !IsIdentifierChar(text.back())) text.remove_suffix(1);
  return std::string(text);
}

bool IsIdentifierRow(const RowCells& row) {
  bool number = false, name = false;
  for (const auto& [column, text] : row) {
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed == kIdentifierRowMark) return true;
    const std::string id = NormalizeIdentifier(trimmed);
    number = number || id == "FN";
    name = name || EqualsIgnoringCase(id, "Tagnames") || WithoutBlanks(trimmed) == "食品名";
  }
  return number && name;
}

namespace {

// Leading ASCII or full-width digits of `text`, taken off it.
std::string_view TakeDigits(std::string_view& text) {
  std::size_t n = 0;
  for (;;) {
    if (n < text.size() && text[n] >= '0' && text[n] <= '9') {
      ++n;
    } else if (text.substr(n, 2) == "\xEF\xBC" && n + 2 < text.size() &&
               static_cast<unsigned char>(text[n + 2]) >= 0x90 &&
               static_cast<unsigned char>(text[n + 2]) <= 0x99) {
      n += 3;  // ０..９
    } else {
      break;
    }
  }
  const std::string_view digits = text.substr(0, n);
  text.remove_prefix(n);
  return digits;
}

bool TakePrefix(std::string_view& text, std::string_view prefix) {
  if (text.substr(0, prefix.size()) != prefix) return false;
  text.remove_prefix(prefix.size());
  return true;
}

}  // namespace

std::string EditionFromTitle(std::string_view utf8) {
  const std::string bare = WithoutBlanks(utf8);
  constexpr std::string_view kTitle = "食品標準成分表";
  const std::size_t at = bare.find(kTitle);
  if (at == std::string::npos) return {};
  std::string_view rest = std::string_view(bare).substr(at + kTitle.size());
  std::string edition = "食品成分表";

  std::string_view year = rest;
  if (!TakeDigits(year).empty() && TakePrefix(year, "年版")) {
    edition += rest.substr(0, rest.size() - year.size());
    rest = year;
  }
  if (!TakePrefix(rest, "（") && !TakePrefix(rest, "(")) return {};
  std::size_t close = rest.find("）");
  std::size_t closeSize = 3;
  if (const std::size_t ascii = rest.find(')'); ascii < close) {
    close = ascii;
    closeSize = 1;
  }
  const std::string_view name = rest.substr(0, close);
  // A few characters naming the revision: （八訂）, （七訂）.
  if (close == std::string_view::npos || name.size() > 18 || name.find("訂") == std::string_view::npos)
    return {};
  edition += "（" + std::string(name) + "）";
  rest.remove_prefix(close + closeSize);

  std::string_view supplement = rest;
  if ((TakePrefix(supplement, "増補") || TakePrefix(supplement, "追補")) &&
      !TakeDigits(supplement).empty() && TakePrefix(supplement, "年"))
    edition += rest.substr(0, rest.size() - supplement.size());
  return edition;
}

bool IsUsefulCaption(std::string_view text) {
  const std::string bare = WithoutBlanks(text);
  return bare == "食品番号" || bare == "食品名";
}

std::string CaptionKind(std::string_view text) { return WithoutBlanks(text); }

ColumnMap MapColumns(const RowCells& identifierRow, const RowCells& captions) {
  ColumnMap map;
  map.column.fill(-1);
  std::array<int, kComponentCount> componentColumn;
  componentColumn.fill(-1);
  int nameByCaption = -1, nameByMark = -1, numberByCaption = -1;
  for (const auto& [column, text] : identifierRow) {
    const std::string_view trimmed = TrimBlanks(text);
    const std::string id = NormalizeIdentifier(trimmed);
    if (trimmed == kIdentifierRowMark) {
      if (nameByMark < 0) nameByMark = column;
      continue;
    }
    if (WithoutBlanks(trimmed) == "食品名" && nameByCaption < 0) nameByCaption = column;
    if (id == "FG") {
      if (map.groupColumn < 0) map.groupColumn = column;
      continue;
    }
    if (EqualsIgnoringCase(id, "Tagnames")) {
      if (map.column[1] < 0) map.column[1] = column;
      continue;
    }
    for (int slot = 0; slot < kSlots; ++slot) {
      if (slot != 1 && id == kColumnSources[slot].identifier && map.column[slot] < 0) {
        map.column[slot] = column;
        break;
      }
    }
    for (int k = 0; k < kComponentCount; ++k) {
      if (id == kComponentIdentifiers[k]) {
        if (componentColumn[k] < 0) componentColumn[k] = column;
        break;
      }
    }
  }
  for (int k = 0; k < kComponentCount; ++k) {
    if (componentColumn[k] < 0) continue;
    map.components.emplace_back(kComponentIdentifiers[k]);
    map.componentColumn.push_back(componentColumn[k]);
  }
  for (const auto& [column, text] : captions) {
    const std::string bare = WithoutBlanks(text);
    if (bare == "食品番号" && numberByCaption < 0) numberByCaption = column;
    if (bare == "食品名" && nameByCaption < 0) nameByCaption = column;
  }
  if (map.column[0] < 0) map.column[0] = numberByCaption;
  if (map.column[1] < 0) map.column[1] = nameByCaption >= 0 ? nameByCaption : nameByMark;

  std::string missing;
  for (int slot = 0; slot < kSlots; ++slot) {
    if (map.column[slot] >= 0) {
      map.found.push_back(kColumnSources[slot].identifier);
    } else {
      map.missing.push_back(kColumnSources[slot].identifier);
      missing += (missing.empty() ? "" : "、") + Label(slot);
    }
  }
  (map.groupColumn >= 0 ? map.found : map.missing).push_back("FG");
  if (!missing.empty()) map.error = "必要な成分識別子の列がありません: " + missing;
  return map;
}

CellValue ApplyCellRules(std::string_view utf8) {
  std::string_view s = TrimBlanks(utf8);
  if (s.size() >= kDagger.size() && s.substr(s.size() - kDagger.size()) == kDagger)
    s = TrimBlanks(s.substr(0, s.size() - kDagger.size()));
  if (s.empty()) return {"-", CellMark::NotAnalysed, true};
  if (s == "-") return {"-", CellMark::NotAnalysed};
  if (s == "Tr" || s == "(Tr)") return {"Tr", CellMark::Trace};
  if (s == "(0)") return {"(0)", CellMark::PresumedZero};
  if (IsDecimal(s)) return {std::string(s), CellMark::Plain};
  if (s.size() > 2 && s.front() == '(' && s.back() == ')' && IsDecimal(s.substr(1, s.size() - 2)))
    return {std::string(s.substr(1, s.size() - 2)), CellMark::Estimated};
  return {"-", CellMark::Problem};
}

bool ComponentCell(std::string_view utf8, std::string& out) {
  out.clear();
  std::string_view s = TrimBlanks(utf8);
  if (s.size() >= kDagger.size() && s.substr(s.size() - kDagger.size()) == kDagger)
    s = TrimBlanks(s.substr(0, s.size() - kDagger.size()));
  // "*" sends the reader to the food's note (iodine of a few foods): no figure.
  if (s.empty() || s == "*") return true;
  if (s == "-" || s == "Tr" || s == "(Tr)" || s == "(0)") {
    out = s;
    return true;
  }
  const bool estimate = s.size() > 2 && s.front() == '(' && s.back() == ')';
  if (estimate) s = s.substr(1, s.size() - 2);
  if (!IsDecimal(s)) return false;
  // The same figure written shortest, so that "0.10" of a text export and the
  // number 0.1 of a workbook cell give the same bytes.
  std::string_view whole = s.substr(0, s.find('.'));
  std::string_view fraction = whole.size() < s.size() ? s.substr(whole.size() + 1) : std::string_view();
  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  out = estimate ? "(" : "";
  out += whole;
  if (!fraction.empty()) (out += '.') += fraction;
  if (estimate) out += ')';
  return true;
}

namespace {

// A number as the cell rules leave it (digits, optionally "." and digits) is
// mantissa / 10^decimals. False beyond `maxDigits` digits (leading zeros of the
// whole part aside), where 128-bit arithmetic could no longer be exact.
struct ExactDecimal {
  unsigned __int128 mantissa = 0;
  int decimals = 0;
};
bool ReadExactDecimal(std::string_view text, int maxDigits, ExactDecimal& out) {
  out = {};
  int digits = 0;
  bool afterDot = false;
  for (char c : text) {
    if (c == '.') {
      afterDot = true;
      continue;
    }
    if (out.mantissa == 0 && c == '0' && !afterDot) continue;
    if (++digits > maxDigits) return false;
    out.mantissa = out.mantissa * 10 + unsigned(c - '0');
    if (afterDot) ++out.decimals;
  }
  return true;
}

unsigned __int128 PowerOfTen(int n) {
  unsigned __int128 p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

// numerator / denominator rounded half away from zero (both positive).
unsigned __int128 RoundedQuotient(unsigned __int128 numerator, unsigned __int128 denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

std::string DecimalDigits(unsigned __int128 n) {
  std::string out;
  do {
    out.insert(out.begin(), char('0' + int(n % 10)));
    n /= 10;
  } while (n != 0);
  return out;
}

bool HasFigure(CellMark mark) { return mark == CellMark::Plain || mark == CellMark::Estimated; }

}  // namespace

CellValue VitaminAUnits(const CellValue& retinolActivity) {
  if (!HasFigure(retinolActivity.mark)) return retinolActivity;
  // IU = (m / 10^d) × 10 / 3.
  ExactDecimal rae;
  if (!ReadExactDecimal(retinolActivity.text, 30, rae)) return {"-", CellMark::Problem};
  return {DecimalDigits(RoundedQuotient(rae.mantissa * 10, 3 * PowerOfTen(rae.decimals))),
          retinolActivity.mark};
}

CellValue CarbohydrateLessFibre(const CellValue& carbohydrate, const CellValue& fibre) {
  if (!HasFigure(carbohydrate.mark)) return carbohydrate;
  if (fibre.mark == CellMark::Problem) return {"-", CellMark::Problem};
  // 18 digits each: scaled to common decimals, both stay below 10^36.
  ExactDecimal c, f;
  if (!ReadExactDecimal(carbohydrate.text, 18, c) ||
      (HasFigure(fibre.mark) && !ReadExactDecimal(fibre.text, 18, f)))
    return {"-", CellMark::Problem};
  const int decimals = std::max(c.decimals, f.decimals);
  const unsigned __int128 minuend = c.mantissa * PowerOfTen(decimals - c.decimals);
  const unsigned __int128 subtrahend = f.mantissa * PowerOfTen(decimals - f.decimals);
  const unsigned __int128 difference = minuend > subtrahend ? minuend - subtrahend : 0;
  const std::string tenths =
      DecimalDigits(RoundedQuotient(difference * 10, PowerOfTen(decimals)));
  const bool estimated = carbohydrate.mark == CellMark::Estimated ||
                         fibre.mark == CellMark::Estimated || fibre.mark == CellMark::NotAnalysed;
  return {(tenths.size() < 2 ? "0" : tenths.substr(0, tenths.size() - 1)) + "." + tenths.back(),
          estimated ? CellMark::Estimated : CellMark::Plain};
}

std::string ShortestDecimal(double value) {
  if (!std::isfinite(value)) return "?";
  if (value == 0) return "0";  // also for -0
  char buffer[400];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (ec != std::errc()) return "?";
  return std::string(buffer, end);
}

std::string FoodNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty() || text.size() > 5 || !IsDigits(text)) return {};
  return std::string(5 - text.size(), '0') + std::string(text);
}

std::string Excerpt(std::string_view utf8, std::size_t maxBytes) {
  if (utf8.size() <= maxBytes) return std::string(utf8);
  std::size_t cut = maxBytes;
  while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
  return std::string(utf8.substr(0, cut)) + "…";
}

void AddProblem(FoodImport& result, const ImportLimits& limits, std::string line) {
  if (result.problems.size() < limits.problemsListed) {
    result.problems.push_back(std::move(line));
  } else {
    ++result.problemsNotListed;
  }
}

void AddFood(const SourceRow& row, const ImportLimits& limits, FoodImport& result) {
  const std::string number = FoodNumber(row.cells[0]);
  if (number.empty()) return;
  const int group = (number[0] - '0') * 10 + (number[1] - '0');
  if (group < 1 || group > 18) {
    AddProblem(result, limits,
               "食品番号 " + number + "（" + std::to_string(row.line) + "行目）: 食品群 " +
                   number.substr(0, 2) + " は 01～18 にないため取り込みませんでした");
    return;
  }
  ImportedFood food;
  food.number = number;
  food.marks.fill(CellMark::Plain);
  food.cells[0] = group < 10 ? " " + number.substr(1) : number;

  const std::string_view name = TrimBlanks(row.cells[1]);
  if (name.empty()) AddProblem(result, limits, "食品番号 " + number + ": 食品名が空です");
  food.cells[1] = NameCell(name, number, limits, result);

  std::array<CellValue, kSlots> values;
  for (int slot = 2; slot < kSlots; ++slot) {
    values[slot] = ApplyCellRules(row.cells[slot]);
    if (values[slot].mark == CellMark::Problem) {
      AddProblem(result, limits,
                 "食品番号 " + number + ": " + kColumnSources[slot].identifier + " の値「" +
                     Excerpt(TrimBlanks(row.cells[slot])) + "」を読めないため「-」としました");
    }
    if (values[slot].empty) ++result.emptyValueCells;
  }
  // The two columns worked out from others; a cell already reported stays quiet.
  const CellValue sugars = CarbohydrateLessFibre(values[kCarbohydrateSlot], values[kFibreSlot]);
  if (sugars.mark == CellMark::Problem && values[kCarbohydrateSlot].mark != CellMark::Problem &&
      values[kFibreSlot].mark != CellMark::Problem) {
    AddProblem(result, limits,
               "食品番号 " + number + ": CHOCDF の値「" + Excerpt(values[kCarbohydrateSlot].text) +
                   "」か FIB の値「" + Excerpt(values[kFibreSlot].text) +
                   "」が長すぎて糖質を計算できないため「-」としました");
  }
  const CellValue units = VitaminAUnits(values[kVitaminASlot]);
  if (units.mark == CellMark::Problem && values[kVitaminASlot].mark != CellMark::Problem) {
    AddProblem(result, limits,
               "食品番号 " + number + ": VITA_RAE の値「" + Excerpt(values[kVitaminASlot].text) +
                   "」が長すぎて IU に換算できないため「-」としました");
  }
  values[kCarbohydrateSlot] = sugars;
  values[kVitaminASlot] = units;
  for (int slot = 2; slot < kSlots; ++slot) {
    CheckProgramReading(values[slot], slot, number, limits, result);
    food.cells[slot] = std::move(values[slot].text);
    food.marks[slot] = values[slot].mark;
  }
  food.components.resize(row.components.size());
  for (std::size_t k = 0; k < row.components.size(); ++k) {
    // A cell the table takes too was reported above.
    if (!ComponentCell(row.components[k], food.components[k]) &&
        !IsTableIdentifier(result.componentIdentifiers[k]))
      AddProblem(result, limits,
                 "食品番号 " + number + ": " + result.componentIdentifiers[k] + " の値「" +
                     Excerpt(TrimBlanks(row.components[k])) + "」を読めないため空欄としました");
  }
  ++result.foodsPerGroup[group];
  result.foods.push_back(std::move(food));
}

}  // namespace eiyou::import
