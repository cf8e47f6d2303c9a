#include "nutrition/facility_csv.h"

#include <array>
#include <charconv>
#include <map>
#include <optional>

#include "tables/cp932.h"
#include "tables/text_fields.h"

namespace eiyou {
namespace {

constexpr std::array<const char*, 6> kPriceCaptions = {"食品番号", "単価(円)", "購入単位の重量(g)",
                                                       "単位名",   "設定日",   "納入業者"};
// A file with this many problems is not worth listing further.
constexpr std::size_t kMostProblems = 200;

// One record: its cells and the line it starts on.
struct Record {
  int line = 0;
  std::vector<std::string> cells;
};


// RFC 4180 records: commas separate cells, a quoted cell may hold commas,
// line ends and "" for a quote. Lines end in LF or CR LF. Cells are trimmed;
// a blank record is left out. False (with `openLine`) for a quote never closed.
bool ReadRecords(std::string_view text, std::vector<Record>& records, int& openLine) {
  int line = 1;
  Record record{1, {std::string()}};
  bool quoted = false, wasQuoted = false;
  auto finish = [&] {
    for (std::string& cell : record.cells) cell = std::string(TrimmedCell(cell));
    while (record.cells.size() > 1 && record.cells.back().empty()) record.cells.pop_back();
    if (!(record.cells.size() == 1 && record.cells[0].empty())) records.push_back(std::move(record));
    record = {line, {std::string()}};
    wasQuoted = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        record.cells.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++line;
        record.cells.back() += c;
      }
    } else if (c == ',') {
      record.cells.emplace_back();
      wasQuoted = false;
    } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      ++line;
      finish();
    } else if (c == '"' && !wasQuoted && TrimmedCell(record.cells.back()).empty()) {
      record.cells.back().clear();
      quoted = wasQuoted = true;
    } else {
      record.cells.back() += c;
    }
  }
  if (quoted) {
    openLine = record.line;
    return false;
  }
  finish();
  return true;
}

std::string Place(int line, std::size_t column, std::string_view caption) {
  return std::to_string(line) + "行目 " + std::to_string(column + 1) + "列目" +
         (caption.empty() ? std::string() : "（" + std::string(caption) + "）") + ": ";
}

// Collects problems up to kMostProblems, then counts the rest.
class Problems {
 public:
  explicit Problems(std::vector<std::string>& out) : out_(out) {}
  void Add(std::string problem) {
    if (out_.size() < kMostProblems) out_.push_back(std::move(problem));
    else ++more_;
  }
  ~Problems() {
    if (more_) out_.push_back("ほかに " + std::to_string(more_) + " 件の問題があります。");
  }

 private:
  std::vector<std::string>& out_;
  std::size_t more_ = 0;
};

bool AllDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<std::int64_t> Whole(std::string_view text, std::int64_t most) {
  std::int64_t value = 0;
  if (!AllDigits(text) || text.size() > 12) return std::nullopt;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value <= most ? std::optional(value) : std::nullopt;
}

// "298", "1234.5", "1234.50": yen to 1/100 yen; no sign, no separators.
std::optional<std::int64_t> Yen(std::string_view text) {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view sen = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  const std::optional<std::int64_t> yen = Whole(whole, 9'999'999'999);
  if (!yen || (point != std::string_view::npos && (sen.empty() || sen.size() > 2 || !AllDigits(sen))))
    return std::nullopt;
  std::int64_t fraction = sen.empty() ? 0 : (sen[0] - '0') * 10 + (sen.size() > 1 ? sen[1] - '0' : 0);
  return *yen * 100 + fraction;
}

// "2024-04-01", or as a spreadsheet writes a date back: "2024/4/1".
std::optional<std::string> Date(std::string_view text) {
  std::array<std::string_view, 3> parts;
  std::size_t k = 0, from = 0;
  for (std::size_t i = 0; i <= text.size() && k < 3; ++i)
    if (i == text.size() || text[i] == '-' || text[i] == '/') {
      parts[k++] = text.substr(from, i - from);
      from = i + 1;
    }
  if (k != 3 || from != text.size() + 1 || parts[0].size() != 4) return std::nullopt;
  std::string date(parts[0]);
  for (std::size_t i : {1, 2}) {
    if (parts[i].size() < 1 || parts[i].size() > 2) return std::nullopt;
    date += '-';
    date += parts[i].size() == 1 ? "0" + std::string(parts[i]) : std::string(parts[i]);
  }
  return IsPlanDate(date) ? std::optional(date) : std::nullopt;
}


// The records of a file, or a problem that makes reading them pointless.
std::vector<Record> FileRecords(std::string_view bytes, std::vector<std::string>& problems) {
  std::string decoded;
  const std::string_view text = Utf8OrCp932Text(bytes, decoded);
  std::vector<Record> records;
  int openLine = 0;
  if (!ReadRecords(text, records, openLine)) {
    problems.push_back(std::to_string(openLine) + "行目: 引用符（\"）が閉じていません。");
    return {};
  }
  if (records.empty()) problems.push_back("1行目: 見出しの行がありません。");
  return records;
}

}  // namespace

PriceCsv ReadPriceCsv(std::string_view bytes) {
  PriceCsv out;
  std::vector<Record> records = FileRecords(bytes, out.problems);
  if (records.empty()) return out;
  {
    Problems problems(out.problems);
    const Record& header = records.front();
    for (std::size_t c = 0; c < kPriceCaptions.size(); ++c)
      if (c >= header.cells.size() || header.cells[c] != kPriceCaptions[c])
        problems.Add(Place(header.line, c, kPriceCaptions[c]) + "見出しは「" + kPriceCaptions[c] +
                     "」にしてください（食品番号,単価(円),購入単位の重量(g),単位名,設定日,納入業者）。");
    if (header.cells.size() > kPriceCaptions.size())
      problems.Add(Place(header.line, kPriceCaptions.size(), header.cells[kPriceCaptions.size()]) +
                   "この列は読めません。列は6つまでです。");
    std::map<int, int> lineOf;  // food → its first line
    for (std::size_t r = 1; r < records.size(); ++r) {
      const Record& record = records[r];
      std::vector<std::string> cells = record.cells;
      cells.resize(std::max(cells.size(), kPriceCaptions.size()));
      auto bad = [&](std::size_t column, const std::string& why) {
        problems.Add(Place(record.line, column, column < kPriceCaptions.size() ? kPriceCaptions[column] : "") + why);
      };
      const std::size_t before = out.problems.size();
      if (cells.size() > kPriceCaptions.size()) bad(kPriceCaptions.size(), "列が多すぎます。");
      FoodPurchase row;
      const std::optional<std::int64_t> food = Whole(cells[0], 99999);
      if (!food || *food < 1) {
        bad(0, "「" + cells[0] + "」は食品番号として読めません（1 から 99999 までの半角数字で書いてください）。");
      } else if (const auto [at, first] = lineOf.emplace(static_cast<int>(*food), record.line); !first) {
        bad(0, "食品番号 " + cells[0] + " は " + std::to_string(at->second) + "行目にもあります。");
      }
      if (food) row.food = static_cast<int>(*food);
      if (!cells[1].empty()) {
        const std::optional<std::int64_t> sen = Yen(cells[1]);
        if (!sen)
          bad(1, "「" + cells[1] + "」は単価として読めません（298 や 1234.50 のように、半角数字で小数第2位までにしてください）。");
        row.priced = true;
        row.priceSen = sen.value_or(0);
      }
      if (!cells[2].empty()) {
        const std::optional<std::int64_t> grams = Whole(cells[2], 1'000'000'000);
        if (!grams || *grams < 1)
          bad(2, "「" + cells[2] + "」は重量として読めません（1 以上の整数の g で書いてください）。");
        row.unitGrams = grams.value_or(1000);
      }
      row.unitName = cells[3];
      if (!cells[4].empty()) {
        const std::optional<std::string> date = Date(cells[4]);
        if (!date) bad(4, "「" + cells[4] + "」は日付として読めません（2024-04-01 のように書いてください）。");
        row.setOn = date.value_or("");
      } else if (row.priced) {
        bad(4, "単価には設定日を入れてください。");
      }
      if (!row.priced) row.setOn.clear();
      row.supplier = cells[5];
      if (out.problems.size() == before) out.rows.push_back(std::move(row));
    }
  }
  if (!out.problems.empty()) out.rows.clear();
  return out;
}

std::string PriceCsvText(const std::vector<FoodPurchase>& rows) {
  std::string text = "\xEF\xBB\xBF";
  for (std::size_t c = 0; c < kPriceCaptions.size(); ++c) text += (c ? "," : "") + std::string(kPriceCaptions[c]);
  text += "\r\n";
  for (const FoodPurchase& p : rows) {
    std::string food = std::to_string(p.food);
    text += std::string(food.size() < 5 ? 5 - food.size() : 0, '0') + food + ",";
    if (p.priced) {
      text += std::to_string(p.priceSen / 100);
      if (p.priceSen % 100) {
        const std::int64_t sen = p.priceSen % 100;
        text += (sen < 10 ? ".0" : ".") + std::to_string(sen);
      }
    }
    text += "," + std::to_string(p.unitGrams) + "," + CsvField(p.unitName) + "," +
            (p.priced ? p.setOn : std::string()) + "," + CsvField(p.supplier) + "\r\n";
  }
  return text;
}

HeadcountCsv ReadHeadcountCsv(std::string_view bytes, const std::vector<EaterGroup>& groups) {
  HeadcountCsv out;
  std::vector<Record> records = FileRecords(bytes, out.problems);
  if (records.empty()) return out;
  {
    Problems problems(out.problems);
    const Record& header = records.front();
    std::vector<std::int64_t> groupOf(header.cells.size(), 0);
    if (header.cells[0] != "日付")
      problems.Add(Place(header.line, 0, header.cells[0]) + "1列目の見出しは「日付」にしてください。");
    for (std::size_t c = 1; c < header.cells.size(); ++c) {
      const std::string& name = header.cells[c];
      for (const EaterGroup& g : groups)
        if (g.name == name) groupOf[c] = g.id;
      if (groupOf[c] == 0) {
        problems.Add(Place(header.line, c, name) + "喫食者グループ「" + name + "」はありません。");
        continue;
      }
      for (std::size_t k = 1; k < c; ++k)
        if (header.cells[k] == name) {
          problems.Add(Place(header.line, c, name) + "喫食者グループ「" + name + "」の列が二つあります。");
          break;
        }
    }
    if (header.cells.size() < 2) problems.Add("1行目: 日付のあとに喫食者グループの名前の列を並べてください。");
    std::map<std::string, int> lineOf;  // date → its first line
    for (std::size_t r = 1; r < records.size(); ++r) {
      const Record& record = records[r];
      const std::vector<std::string>& cells = record.cells;
      auto caption = [&](std::size_t c) { return c < header.cells.size() ? header.cells[c] : std::string(); };
      const std::optional<std::string> date = Date(cells[0]);
      if (!date) {
        problems.Add(Place(record.line, 0, "日付") + "「" + cells[0] +
                     "」は日付として読めません（2024-06-03 のように書いてください）。");
      } else if (const auto [at, first] = lineOf.emplace(*date, record.line); !first) {
        problems.Add(Place(record.line, 0, "日付") + *date + " は " + std::to_string(at->second) +
                     "行目にもあります。");
      }
      for (std::size_t c = 1; c < cells.size(); ++c) {
        if (cells[c].empty()) continue;
        if (c >= header.cells.size()) {
          problems.Add(Place(record.line, c, "") + "見出しのない列に値があります。");
          continue;
        }
        const std::optional<std::int64_t> count = Whole(cells[c], 100000);
        if (!count) {
          problems.Add(Place(record.line, c, caption(c)) + "「" + cells[c] +
                       "」は人数として読めません（0 から 100000 までの半角の整数で書いてください）。");
          continue;
        }
        if (date && groupOf[c] != 0) out.changes.push_back({*date, groupOf[c], static_cast<int>(*count)});
      }
    }
  }
  if (!out.problems.empty()) out.changes.clear();
  return out;
}

}  // namespace eiyou
