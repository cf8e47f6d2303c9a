#include "tables/food_components.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/file_io.h"
#include "tables/food_edition.h"
#include "tables/food_table.h"
#include "tables/text_fields.h"

namespace eiyou {
namespace {

constexpr std::string_view kFormat = "EIYOU-COMPONENTS";
constexpr std::string_view kVersion = "1";
// Problems listed; a file damaged throughout is told by its first lines.
constexpr std::size_t kProblemsListed = 100;
constexpr std::size_t kMaxIdentifierBytes = 32;
constexpr std::size_t kMaxIdentifiers = 1000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsIdentifier(std::string_view s) {
  if (s.empty() || s.size() > kMaxIdentifierBytes) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
  });
}

// Tabs counted eight bytes at a time: the count of every line is checked at
// loading, so it must cost little beside reading the file.
std::size_t CountTabs(std::string_view line) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u, kLow7 = 0x7F7F7F7F7F7F7F7Fu;
  std::size_t n = 0, i = 0;
  for (; i + 8 <= line.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, line.data() + i, 8);
    const std::uint64_t x = w ^ (kOnes * '\t');  // tab bytes become zero
    // The top bit of each byte set exactly where the byte is zero; the
    // multiplication adds those bits up in the top byte (no popcount
    // instruction is sure to be there).
    const std::uint64_t zero = ~(((x & kLow7) + kLow7) | x | kLow7);
    n += static_cast<std::size_t>(((zero >> 7) * kOnes) >> 56);
  }
  for (; i < line.size(); ++i) n += line[i] == '\t';
  return n;
}

// For messages: a damaged cell may be long or not text at all.
std::string Shown(std::string_view text) {
  std::string out;
  for (char c : text.substr(0, 20)) out += static_cast<unsigned char>(c) < 0x20 || c & 0x80 ? '?' : c;
  return text.size() > 20 ? out + "…" : out;
}

// Powers of ten that a double holds exactly.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The cells are read from a line whose end is followed by a byte that is no
// part of any cell (its CR or LF, or a NUL), so the loops below stop at that
// byte as at any other and need no bound of their own.
// Digits with an optional decimal part, from `p`; the place after it, or
// nullptr when there is none. Up to 15 digits the value is the digits as a
// whole number over a power of ten: both are exact doubles, so the one
// rounding of the division gives the double nearest the decimal, the very
// value from_chars gives, at a fraction of its cost; longer numbers go through
// from_chars. Neither reads a locale.
const char* ReadNumber(const char* p, double& value) {
  const char* const start = p;
  std::uint64_t digits = 0;
  while (IsDigit(*p)) digits = digits * 10 + static_cast<unsigned>(*p++ - '0');
  if (p == start) return nullptr;
  std::ptrdiff_t decimals = 0;
  if (*p == '.') {
    const char* const point = ++p;
    while (IsDigit(*p)) digits = digits * 10 + static_cast<unsigned>(*p++ - '0');
    decimals = p - point;
    if (decimals == 0) return nullptr;
  }
  if (p - start - (decimals > 0) <= 15) {
    value = static_cast<double>(digits) / kPowersOfTen[decimals];
    return p;
  }
  const auto [stop, ec] = std::from_chars(start, p, value, std::chars_format::fixed);
  return ec == std::errc() && stop == p ? p : nullptr;
}

// One cell's notation from `p`; the place after it, or nullptr when the text
// there is none of them. An empty cell reads None and takes no byte.
const char* ReadCell(const char* p, double& value, ComponentMark& mark) {
  value = 0;
  switch (*p) {
    case '-':
      mark = ComponentMark::NotAnalysed;
      return p + 1;
    case 'T':
      mark = ComponentMark::Trace;
      return p[1] == 'r' ? p + 2 : nullptr;
    case '(':
      if (p[1] == 'T') {
        mark = ComponentMark::EstimatedTrace;
        return p[2] == 'r' && p[3] == ')' ? p + 4 : nullptr;
      }
      if (p[1] == '0' && p[2] == ')') {
        mark = ComponentMark::PresumedZero;
        return p + 3;
      }
      mark = ComponentMark::Estimated;
      p = ReadNumber(p + 1, value);
      return p && *p == ')' ? p + 1 : nullptr;
    default:
      if (!IsDigit(*p)) {
        mark = ComponentMark::None;
        return p;
      }
      mark = ComponentMark::Plain;
      return ReadNumber(p, value);
  }
}

}  // namespace

std::string FoodComponentsHeader(std::uintmax_t tableBytes, std::string_view edition) {
  char size[24];
  const auto end = std::to_chars(size, size + sizeof size, tableBytes).ptr;
  return std::string(kFormat) + "\t" + std::string(kVersion) + "\t" + std::string(size, end) + "\t" +
         std::string(edition) + "\r\n";
}

std::int32_t FoodNumberValue(std::string_view text) {
  if (text.size() != 5 || !(IsDigit(text[0]) || text[0] == ' ')) return -1;
  std::int32_t n = 0;
  for (std::size_t i = 0; i < 5; ++i) {
    if (i == 0 && text[0] == ' ') continue;
    if (!IsDigit(text[i])) return -1;
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

void FoodComponents::Problem(int line, std::string text) {
  if (problems_.size() < kProblemsListed) problems_.push_back({line, std::move(text)});
}

FoodComponents FoodComponents::Parse(std::string bytes, std::uintmax_t tableBytes) {
  FoodComponents c;
  c.bytes_ = std::move(bytes);
  std::string_view rest = c.bytes_;
  int lineNumber = 0;
  // Lines end at LF; a CR before it goes with it.
  const auto nextLine = [&](std::string_view& line) {
    if (rest.empty()) return false;
    const std::size_t lf = rest.find('\n');
    line = rest.substr(0, lf);
    rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++lineNumber;
    return true;
  };

  std::string_view line;
  if (!nextLine(line)) {
    c.Refuse(0, "空のファイルです");
    return c;
  }
  const std::vector<std::string_view> head = SplitViewsAt(line, '\t');
  if (head.size() != 4 || head[0] != kFormat || head[1] != kVersion) {
    c.Refuse(1, "成分の一覧の見出し（EIYOU-COMPONENTS 1）ではありません");
    return c;
  }
  std::uintmax_t size = 0;
  const auto [end, ec] = std::from_chars(head[2].data(), head[2].data() + head[2].size(), size);
  if (ec != std::errc() || end != head[2].data() + head[2].size() ||
      (!head[3].empty() && !IsEditionText(head[3]))) {
    c.Refuse(1, "表の大きさか版の書き方が正しくありません");
    return c;
  }
  if (size != tableBytes) {
    c.Refuse(1, std::to_string(size) + " バイトの食品成分表のものです（今の表は " +
                    std::to_string(tableBytes) + " バイト）。今の表には使いません");
    return c;
  }
  c.edition_ = std::string(head[3]);

  if (!nextLine(line)) {
    c.Refuse(2, "成分識別子の行がありません");
    return c;
  }
  const std::vector<std::string_view> ids = SplitViewsAt(line, '\t');
  if (ids.size() < 2 || ids.size() > kMaxIdentifiers + 1 || ids[0] != "FN") {
    c.Refuse(2, "成分識別子の行が「FN」と 1 個以上 " + std::to_string(kMaxIdentifiers) +
                    " 個以下の成分識別子ではありません");
    return c;
  }
  for (std::size_t i = 1; i < ids.size(); ++i) {
    const bool twice = std::find(c.identifiers_.begin(), c.identifiers_.end(), ids[i]) != c.identifiers_.end();
    if (!IsIdentifier(ids[i]) || twice || ids[i] == "FN") {
      c.Refuse(2, std::to_string(i + 1) + "番目の成分識別子「" + Shown(ids[i]) +
                      (twice ? "」が二度あります" : "」は成分識別子の書き方ではありません"));
      return c;
    }
    c.identifiers_.emplace_back(ids[i]);
  }

  // Each line is taken when its number and its count of cells are right; its
  // cells are read when asked for (CheckCells reads them all).
  const std::size_t tabs = c.identifiers_.size();
  while (nextLine(line)) {
    if (c.foodCount() == kMaxFoods) {
      c.Problem(lineNumber, std::to_string(kMaxFoods) + " 食品より後の行は読みません");
      break;
    }
    const std::int32_t number = line.size() >= 5 && IsDigit(line[0]) ? FoodNumberValue(line.substr(0, 5)) : -1;
    if (number < 0 || line.size() == 5 || line[5] != '\t') {
      c.Problem(lineNumber, "先頭が5桁の食品番号と区切りのタブではありません");
      continue;
    }
    const std::size_t found = CountTabs(line);
    if (found != tabs) {
      c.Problem(lineNumber, "欄の数が " + std::to_string(found + 1) + " です（" +
                                std::to_string(tabs + 1) + " のはずです）");
      continue;
    }
    c.numbers_.push_back(number);
    c.lines_.push_back(lineNumber);
    c.begin_.push_back(static_cast<std::uint32_t>(line.data() - c.bytes_.data()));
    c.size_.push_back(static_cast<std::uint32_t>(line.size()));
  }

  // A number met again names another food: the later line is left out.
  std::vector<std::pair<std::int32_t, std::int32_t>> index;
  index.reserve(c.numbers_.size());
  for (std::size_t i = 0; i < c.numbers_.size(); ++i)
    index.emplace_back(c.numbers_[i], static_cast<std::int32_t>(i));
  std::sort(index.begin(), index.end());
  c.index_.reserve(index.size());
  for (const auto& entry : index) {
    if (!c.index_.empty() && c.index_.back().first == entry.first) {
      const auto kept = static_cast<std::size_t>(c.index_.back().second);
      c.Problem(c.lines_[static_cast<std::size_t>(entry.second)],
                "食品番号 " + c.FoodNumber(entry.second) + " は " + std::to_string(c.lines_[kept]) +
                    "行目にもあります");
      continue;
    }
    c.index_.push_back(entry);
  }
  return c;
}

void FoodComponents::Refuse(int line, std::string text) {
  identifiers_.clear();
  Problem(line, std::move(text));
}

const char* FoodComponents::Cell(int food, int component, const char*& end) const {
  const auto f = static_cast<std::size_t>(food);
  const char* p = bytes_.data() + begin_[f] + 5;  // the tab before the first cell
  end = bytes_.data() + begin_[f] + size_[f];
  // Every line holds exactly one tab before each cell.
  for (int k = 0; k < component; ++k)
    p = static_cast<const char*>(std::memchr(p + 1, '\t', static_cast<std::size_t>(end - p - 1)));
  return p + 1;
}

void FoodComponents::CheckCells() {
  for (int food = 0; food < foodCount(); ++food) {
    for (int k = 0; k < static_cast<int>(identifiers_.size()); ++k) {
      if (Value(food, k).mark != ComponentMark::NotAvailable) continue;
      const char* end;
      const char* cell = Cell(food, k, end);
      const char* cellEnd = std::find(cell, end, '\t');
      Problem(lines_[static_cast<std::size_t>(food)],
              "食品番号 " + FoodNumber(food) + " の " + identifiers_[static_cast<std::size_t>(k)] +
                  " の値「" + Shown(std::string_view(cell, static_cast<std::size_t>(cellEnd - cell))) +
                  "」を読めません");
    }
  }
}

int FoodComponents::ComponentIndex(std::string_view identifier) const {
  for (std::size_t i = 0; i < identifiers_.size(); ++i)
    if (identifiers_[i] == identifier) return static_cast<int>(i);
  return -1;
}

int FoodComponents::FoodIndex(std::string_view number) const {
  const std::int32_t n = FoodNumberValue(number);
  if (n < 0) return -1;
  const auto it = std::lower_bound(index_.begin(), index_.end(), std::pair<std::int32_t, std::int32_t>(n, 0));
  return it != index_.end() && it->first == n ? it->second : -1;
}

int FoodComponents::FoodOfRow(const FoodTable& table, int row) const {
  return FoodIndex(table.Cell(1, row));
}

std::string FoodComponents::FoodNumber(int food) const {
  if (food < 0 || food >= foodCount()) return {};
  std::string text = std::to_string(numbers_[static_cast<std::size_t>(food)]);
  return std::string(5 - text.size(), '0') + text;
}

ComponentValue FoodComponents::Value(int food, int component) const {
  if (food < 0 || food >= foodCount() || component < 0 ||
      component >= static_cast<int>(identifiers_.size()))
    return {};
  const char* end;
  ComponentValue v;
  const char* after = ReadCell(Cell(food, component, end), v.value, v.mark);
  if (!after || (after != end && *after != '\t')) return {};
  return v;
}

FoodComponents LoadFoodComponents() {
  const std::string directory = DataDirectory();
  const std::string path = JoinPath(directory, kFoodComponentsFileName);
  struct stat table, file;
  if (stat(JoinPath(directory, kFoodFileName).c_str(), &table) != 0 || stat(path.c_str(), &file) != 0)
    return {};
  if (!S_ISREG(file.st_mode) || static_cast<std::uintmax_t>(file.st_size) > FoodComponents::kMaxBytes) {
    FoodComponents refused;
    refused.Problem(0, "ファイルでないか、" + std::to_string(FoodComponents::kMaxBytes >> 20) +
                           " MiB を超えます");
    return refused;
  }
  try {
    InputFile in(path);
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(file.st_size));
    std::size_t got = 0;
    // One read for the whole file, as a bare read of it would do.
    for (std::size_t n; got < bytes.size() && (n = in.Read(bytes.data() + got, bytes.size() - got)) > 0;)
      got += n;
    bytes.resize(got);
    return FoodComponents::Parse(std::move(bytes), static_cast<std::uintmax_t>(table.st_size));
  } catch (const IoError&) {
    // The components only add to the table: without them, they are not available.
    return {};
  }
}

}  // namespace eiyou
