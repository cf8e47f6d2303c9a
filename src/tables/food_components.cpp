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

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

// For messages: a damaged cell may be long or not text at all.
std::string Shown(std::string_view text) {
  std::string out;
  for (char c : text.substr(0, 20)) out += static_cast<unsigned char>(c) < 0x20 || c & 0x80 ? '?' : c;
  return text.size() > 20 ? out + "…" : out;
}

// Digits with an optional decimal part, from `p`; the end of the number, or
// nullptr when there is none. Its value through from_chars, which reads no
// locale.
const char* ReadNumber(const char* p, const char* end, double& value) {
  const char* start = p;
  while (p < end && IsDigit(*p)) ++p;
  if (p == start) return nullptr;
  if (p < end && *p == '.') {
    const char* fraction = ++p;
    while (p < end && IsDigit(*p)) ++p;
    if (p == fraction) return nullptr;
  }
  const auto [stop, ec] = std::from_chars(start, p, value, std::chars_format::fixed);
  return ec == std::errc() && stop == p ? p : nullptr;
}

// One cell from `p` up to the next tab or `end`; the place after it, or
// nullptr when the cell is none of the notations.
const char* ReadCell(const char* p, const char* end, double& value, ComponentMark& mark) {
  value = 0;
  if (p == end || *p == '\t') {
    mark = ComponentMark::None;
    return p;
  }
  switch (*p) {
    case '-':
      mark = ComponentMark::NotAnalysed;
      ++p;
      break;
    case 'T':
      if (end - p < 2 || p[1] != 'r') return nullptr;
      mark = ComponentMark::Trace;
      p += 2;
      break;
    case '(':
      if (end - p >= 4 && std::memcmp(p, "(Tr)", 4) == 0) {
        mark = ComponentMark::EstimatedTrace;
        p += 4;
      } else if (end - p >= 3 && std::memcmp(p, "(0)", 3) == 0) {
        mark = ComponentMark::PresumedZero;
        p += 3;
      } else {
        p = ReadNumber(p + 1, end, value);
        if (!p || p == end || *p != ')') return nullptr;
        mark = ComponentMark::Estimated;
        ++p;
      }
      break;
    default:
      p = ReadNumber(p, end, value);
      if (!p) return nullptr;
      mark = ComponentMark::Plain;
  }
  return p == end || *p == '\t' ? p : nullptr;
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

FoodComponents FoodComponents::Parse(std::string_view bytes, std::uintmax_t tableBytes) {
  FoodComponents c;
  int lineNumber = 0;
  // Lines end at LF; a CR before it goes with it.
  const auto nextLine = [&](std::string_view& line) {
    if (bytes.empty()) return false;
    const std::size_t lf = bytes.find('\n');
    line = bytes.substr(0, lf);
    bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++lineNumber;
    return true;
  };

  std::string_view line;
  if (!nextLine(line)) {
    c.Problem(0, "空のファイルです");
    return c;
  }
  const std::vector<std::string_view> head = SplitTabs(line);
  if (head.size() != 4 || head[0] != kFormat || head[1] != kVersion) {
    c.Problem(1, "成分の一覧の見出し（EIYOU-COMPONENTS 1）ではありません");
    return c;
  }
  std::uintmax_t size = 0;
  const auto [end, ec] = std::from_chars(head[2].data(), head[2].data() + head[2].size(), size);
  if (ec != std::errc() || end != head[2].data() + head[2].size() ||
      (!head[3].empty() && !IsEditionText(head[3]))) {
    c.Problem(1, "表の大きさか版の書き方が正しくありません");
    return c;
  }
  if (size != tableBytes) {
    c.Problem(1, std::to_string(size) + " バイトの食品成分表のものです（今の表は " +
                     std::to_string(tableBytes) + " バイト）。今の表には使いません");
    return c;
  }

  if (!nextLine(line)) {
    c.Problem(2, "成分識別子の行がありません");
    return c;
  }
  std::vector<std::string_view> ids = SplitTabs(line);
  if (ids.size() < 2 || ids.size() > kMaxIdentifiers + 1 || ids[0] != "FN") {
    c.Problem(2, "成分識別子の行が「FN」と 1 個以上 " + std::to_string(kMaxIdentifiers) +
                     " 個以下の成分識別子ではありません");
    return c;
  }
  std::vector<std::string> identifiers;
  for (std::size_t i = 1; i < ids.size(); ++i) {
    const bool twice = std::find(identifiers.begin(), identifiers.end(), ids[i]) != identifiers.end();
    if (!IsIdentifier(ids[i]) || twice || ids[i] == "FN") {
      c.Problem(2, std::to_string(i + 1) + "番目の成分識別子「" + Shown(ids[i]) +
                       (twice ? "」が二度あります" : "」は成分識別子の書き方ではありません"));
      return c;
    }
    identifiers.emplace_back(ids[i]);
  }
  c.identifiers_ = std::move(identifiers);
  c.edition_ = std::string(head[3]);

  // Sized for a file of short cells, so that the common case grows no vector.
  const std::size_t expected = std::min<std::size_t>(bytes.size() / (2 * c.identifiers_.size()) + 1,
                                                     kMaxFoods);
  c.numbers_.reserve(expected);
  c.values_.reserve(expected * c.identifiers_.size());
  c.marks_.reserve(expected * c.identifiers_.size());
  while (nextLine(line)) {
    if (c.foodCount() == kMaxFoods) {
      c.Problem(lineNumber, std::to_string(kMaxFoods) + " 食品より後の行は読みません");
      break;
    }
    c.ReadFoodLine(line, lineNumber);
  }
  c.index_.reserve(c.numbers_.size());
  for (std::size_t i = 0; i < c.numbers_.size(); ++i)
    c.index_.emplace_back(c.numbers_[i], static_cast<std::int32_t>(i));
  if (!std::is_sorted(c.index_.begin(), c.index_.end())) std::sort(c.index_.begin(), c.index_.end());
  return c;
}

bool FoodComponents::ReadFoodLine(std::string_view line, int lineNumber) {
  const std::int32_t number = line.size() >= 5 && IsDigit(line[0]) ? FoodNumberValue(line.substr(0, 5)) : -1;
  if (number < 0 || (line.size() > 5 && line[5] != '\t')) {
    Problem(lineNumber, "先頭が5桁の食品番号ではありません");
    return false;
  }
  const std::size_t columns = identifiers_.size();
  const std::size_t first = marks_.size();
  const char* p = line.data() + 5;
  const char* const end = line.data() + line.size();
  std::size_t k = 0;
  for (; k < columns && p < end; ++k) {
    ++p;  // the tab before the cell
    double value;
    ComponentMark mark;
    const char* after = ReadCell(p, end, value, mark);
    if (!after) {
      const char* cellEnd = std::find(p, end, '\t');
      Problem(lineNumber, "食品番号 " + std::string(line.substr(0, 5)) + " の " + identifiers_[k] +
                              " の値「" + Shown(std::string_view(p, static_cast<std::size_t>(cellEnd - p))) +
                              "」を読めません");
      values_.resize(first);
      marks_.resize(first);
      return false;
    }
    values_.push_back(value);
    marks_.push_back(mark);
    p = after;
  }
  if (k != columns || p != end) {
    const std::size_t fields = 1 + static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t'));
    Problem(lineNumber, "欄の数が " + std::to_string(fields) + " です（" +
                            std::to_string(columns + 1) + " のはずです）");
    values_.resize(first);
    marks_.resize(first);
    return false;
  }
  numbers_.push_back(number);
  return true;
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
  const std::size_t i = static_cast<std::size_t>(food) * identifiers_.size() +
                        static_cast<std::size_t>(component);
  return {values_[i], marks_[i]};
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
    return FoodComponents::Parse(bytes, static_cast<std::uintmax_t>(table.st_size));
  } catch (const IoError&) {
    // The components only add to the table: without them, they are not available.
    return {};
  }
}

}  // namespace eiyou
