#include "tables/reference_sets.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

#include "tables/data_dir.h"
#include "tables/file_io.h"
#include "tables/text_fields.h"

namespace eiyou {

// Made by CMake from data/食事摂取基準/.
extern const char kBundledIntakes2020[], kBundledEnergy2020[], kBundledIntakes2025[],
    kBundledEnergy2025[], kBundledSchoolLunch[];
extern const std::size_t kBundledIntakes2020Size, kBundledEnergy2020Size, kBundledIntakes2025Size,
    kBundledEnergy2025Size, kBundledSchoolLunchSize;

namespace {

// Far above any official figure; keeps a typo of a few digits out.
constexpr double kLargestFigure = 1e6;
// The files are a few dozen kilobytes; anything much larger is not one of them.
constexpr std::size_t kMaxFileBytes = 1 << 20;

const std::vector<std::string> kIntakesHeader = {
    "name", "sex", "period_class", "periods", "periode", "EAR", "RDA",
    "AI",   "UL",  "unit",         "DG_min",  "DG_max",  "DG_unit"};
const std::vector<std::string> kEnergyHeader = {"sex",  "period_class", "periods", "periode",
                                                "pal1", "pal2",         "pal3",    "unit"};

// The unit each nutrient the program judges must be given in, so that a file
// in other units (mg for µg) is refused rather than misread a thousandfold.
const std::map<std::string, std::string, std::less<>> kUnits = {
    {"PROTV", "g/day"},     {"FATV", "g/day"},      {"CHOV", "g/day"},    {"FIB", "g/day"},
    {"NACL_EQ", "g/day"},   {"NA", "mg/day"},       {"K", "mg/day"},      {"CA", "mg/day"},
    {"MG", "mg/day"},       {"P", "mg/day"},        {"FE", "mg/day"},     {"FE_M", "mg/day"},
    {"ZN", "mg/day"},       {"CU", "mg/day"},       {"MN", "mg/day"},     {"ID", "ug/day"},
    {"SE", "ug/day"},       {"CR", "ug/day"},       {"MO", "ug/day"},     {"VITA_RAE", "ugRAE/day"},
    {"VITD", "ug/day"},     {"TOCPHA", "mg/day"},   {"VITK", "ug/day"},   {"THIA", "mg/day"},
    {"RIBF", "mg/day"},     {"NE", "mgNE/day"},     {"VITB6A", "mg/day"}, {"VITB12", "ug/day"},
    {"FOL", "ug/day"},      {"PANTAC", "mg/day"},   {"BIOT", "ug/day"},   {"VITC", "mg/day"}};
const std::set<std::string, std::less<>> kOtherUnits = {"g/day", "mg/day", "ug/day",
                                                         "ugRAE/day", "mgNE/day"};

// A refusal of the line being read; the reader adds the file and line.
struct LineError {
  std::string reason;
};

// The lines of a file, without their ends (LF or CR LF), after the comment
// lines at the top: the first names the source edition.
struct Lines {
  std::string source;
  std::vector<std::pair<int, std::string_view>> lines;  // line number, text
};

[[noreturn]] void Refuse(std::string_view file, int line, std::string_view reason) {
  std::string message(file);
  if (line > 0) message += "の" + std::to_string(line) + "行目";
  message += "を読み込めません（";
  message += reason;
  message += "）。";
  throw ReferenceDataError(message);
}

Lines SplitLines(std::string_view bytes, std::string_view file) {
  if (bytes.size() > kMaxFileBytes) Refuse(file, 0, "ファイルが大きすぎます");
  Lines out;
  int number = 0;
  bool inComments = true;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_of(std::string_view("\r\0", 2)) != std::string_view::npos)
      Refuse(file, number, "制御文字があります");
    if (inComments && !line.empty() && line.front() == '#') {
      if (number == 1) {
        line.remove_prefix(1);
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        out.source = line;
      }
      continue;
    }
    inComments = false;
    if (line.empty()) continue;
    out.lines.emplace_back(number, line);
  }
  if (out.source.empty()) Refuse(file, 1, "1行目に「# 出典」がありません");
  if (out.lines.empty()) Refuse(file, 0, "見出しの行がありません");
  return out;
}

void CheckHeader(const Lines& lines, const std::vector<std::string>& header, std::string_view file) {
  if (SplitAt(lines.lines.front().second, '\t') != header)
    Refuse(file, lines.lines.front().first, "見出しの行が違います");
}

// "12", "0.35": digits with at most one point between digits. Read with
// from_chars on text checked here, so no locale, sign, exponent, "inf" or
// "nan" gets through.
double Number(std::string_view text) {
  const std::size_t point = text.find('.');
  const bool digitsOnly = std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '.';
  });
  if (text.empty() || !digitsOnly || point == 0 || point + 1 == text.size() ||
      (point != std::string_view::npos && text.find('.', point + 1) != std::string_view::npos))
    throw LineError{"数値でない値「" + std::string(text) + "」があります"};
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value,
                                         std::chars_format::fixed);
  if (ec != std::errc() || end != text.data() + text.size() || value > kLargestFigure)
    throw LineError{"値「" + std::string(text) + "」が大きすぎます"};
  return value;
}

int Whole(std::string_view text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || text[0] == '-' || ec != std::errc() || end != text.data() + text.size() ||
      value > kOpenEnd)
    throw LineError{"年齢や週数「" + std::string(text) + "」が整数ではありません"};
  return value;
}

// A cell: empty, "-", a number, or "+number" where additions are allowed.
Figure FigureOf(std::string_view text, bool additionAllowed) {
  if (text.empty()) return {};
  if (text == "-") return {Figure::None, 0};
  if (text.front() == '+') {
    if (!additionAllowed) throw LineError{"付加量「+」は妊婦・授乳婦の行だけです"};
    return {Figure::Addition, Number(text.substr(1))};
  }
  return Figure::Of(Number(text));
}

// Columns 1 to 3 of both reference files: class, first and last age or week.
// `open` is how the last bound "and over" is written.
Period PeriodOf(std::string_view cls, std::string_view from, std::string_view to, Sex sex,
                std::string_view open) {
  Period p;
  if (cls.size() != 1 || std::string_view("mypl").find(cls[0]) == std::string_view::npos)
    throw LineError{"区分は m, y, p, l のどれかです"};
  p.cls = static_cast<PeriodClass>(cls[0]);
  if ((p.cls == PeriodClass::Pregnancy || p.cls == PeriodClass::Lactation) && sex != Sex::Female)
    throw LineError{"妊婦・授乳婦の行が女性ではありません"};
  if (p.cls == PeriodClass::Lactation) {
    if (from != to || (!from.empty() && from != "-")) throw LineError{"授乳婦の行に期間があります"};
    return p;
  }
  p.from = Whole(from);
  p.to = !open.empty() && to == open ? kOpenEnd : Whole(to);
  const int limit = p.cls == PeriodClass::Months ? 11 : kOpenEnd;
  if (p.from > p.to || p.to > limit || (p.cls == PeriodClass::Years && p.from < 1))
    throw LineError{"期間の範囲が正しくありません"};
  return p;
}

ReferenceRow IntakesRow(const std::vector<std::string>& f) {
  if (f.size() != kIntakesHeader.size())
    throw LineError{"列の数が" + std::to_string(f.size()) + "です（13列）"};
  ReferenceRow row;
  row.name = f[0];
  if (row.name.empty() || row.name.size() > 16 ||
      !std::all_of(row.name.begin(), row.name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
      }))
    throw LineError{"成分名「" + row.name + "」が正しくありません"};
  if (f[1] != "0" && f[1] != "1") throw LineError{"性別は 0（男性）か 1（女性）です"};
  row.sex = f[1] == "0" ? Sex::Male : Sex::Female;
  row.period = PeriodOf(f[2], f[3], f[4], row.sex, {});
  const bool stage =
      row.period.cls == PeriodClass::Pregnancy || row.period.cls == PeriodClass::Lactation;
  row.ear = FigureOf(f[5], stage);
  row.rda = FigureOf(f[6], stage);
  row.ai = FigureOf(f[7], stage);
  row.ul = FigureOf(f[8], stage);
  row.unit = f[9];
  row.dgMin = FigureOf(f[10], false);
  row.dgMax = FigureOf(f[11], false);
  row.dgUnit = f[12];
  const auto known = kUnits.find(row.name);
  if (known != kUnits.end() ? row.unit != known->second : !kOtherUnits.count(row.unit))
    throw LineError{"単位「" + row.unit + "」が違います"};
  if ((row.dgMin.has() || row.dgMax.has()) && row.dgUnit != "%E" && row.dgUnit != row.unit)
    throw LineError{"目標量の単位「" + row.dgUnit + "」が違います"};
  if (row.dgMin.has() && row.dgMax.has() && row.dgMin.value > row.dgMax.value)
    throw LineError{"目標量の下限が上限より大きくなっています"};
  if (row.ear.state == row.rda.state && row.ear.has() && row.ear.value > row.rda.value)
    throw LineError{"推定平均必要量が推奨量より大きくなっています"};
  return row;
}

EnergyRow EnergyRowOf(const std::vector<std::string>& f) {
  if (f.size() != kEnergyHeader.size())
    throw LineError{"列の数が" + std::to_string(f.size()) + "です（8列）"};
  EnergyRow row;
  if (f[0] != "m" && f[0] != "f") throw LineError{"性別は m か f です"};
  row.sex = f[0] == "m" ? Sex::Male : Sex::Female;
  row.period = PeriodOf(f[1], f[2], f[3], row.sex, "-");
  const bool stage =
      row.period.cls == PeriodClass::Pregnancy || row.period.cls == PeriodClass::Lactation;
  for (int i = 0; i < 3; ++i) {
    row.pal[i] = FigureOf(f[4 + i], stage);
    // "-" is the energy file's "no value"; the cell is never left empty.
    if (row.pal[i].state == Figure::Empty) throw LineError{"空の値があります（値がなければ -）"};
    if (row.pal[i].state == Figure::None) row.pal[i] = {};
  }
  if (f[7] != "kcal/day") throw LineError{"単位は kcal/day です"};
  return row;
}

template <typename Row, typename Make, typename Key>
std::vector<Row> ReadRows(const Lines& lines, std::string_view file, Make make, Key key) {
  std::vector<Row> rows;
  std::set<decltype(key(std::declval<Row>()))> seen;
  for (std::size_t i = 1; i < lines.lines.size(); ++i) {
    const auto& [number, text] = lines.lines[i];
    try {
      rows.push_back(make(SplitAt(text, '\t')));
      if (!seen.insert(key(rows.back())).second) throw LineError{"同じ区分の行が前にもあります"};
    } catch (const LineError& e) {
      Refuse(file, number, e.reason);
    }
  }
  return rows;
}

std::string_view Bytes(const char* data, std::size_t size) { return {data, size}; }

}  // namespace

ReferenceSet ReferenceSet::Read(std::string_view intakesBytes, std::string_view intakesName,
                                std::string_view energyBytes, std::string_view energyName) {
  ReferenceSet set;
  const Lines intakes = SplitLines(intakesBytes, intakesName);
  CheckHeader(intakes, kIntakesHeader, intakesName);
  set.source_ = intakes.source;
  set.rows_ = ReadRows<ReferenceRow>(intakes, intakesName, IntakesRow, [](const ReferenceRow& r) {
    return std::make_tuple(r.name, r.sex, r.period.cls, r.period.from);
  });
  const Lines energy = SplitLines(energyBytes, energyName);
  CheckHeader(energy, kEnergyHeader, energyName);
  set.energy_ = ReadRows<EnergyRow>(energy, energyName, EnergyRowOf, [](const EnergyRow& r) {
    return std::make_tuple(r.sex, r.period.cls, r.period.from);
  });
  return set;
}

const ReferenceRow* ReferenceSet::Find(std::string_view name, Sex sex, const Period& period) const {
  for (const ReferenceRow& row : rows_)
    if (row.name == name && row.sex == sex && row.period.Holds(period)) return &row;
  return nullptr;
}

const EnergyRow* ReferenceSet::FindEnergy(Sex sex, const Period& period) const {
  for (const EnergyRow& row : energy_)
    if (row.sex == sex && row.period.Holds(period)) return &row;
  return nullptr;
}

SchoolLunchStandard SchoolLunchStandard::Read(std::string_view bytes, std::string_view fileName) {
  SchoolLunchStandard standard;
  const Lines lines = SplitLines(bytes, fileName);
  standard.source_ = lines.source;
  const std::vector<std::string> header = SplitAt(lines.lines.front().second, '\t');
  const int headerLine = lines.lines.front().first;
  if (header.size() < 4 || header[0] != "name" || header[1] != "unit" || header[2] != "kind")
    Refuse(fileName, headerLine, "見出しの行が違います");
  for (std::size_t i = 3; i < header.size(); ++i) {
    const std::size_t dash = header[i].find('-');
    try {
      if (dash == std::string::npos) throw LineError{};
      standard.bands_.push_back(PeriodOf("y", std::string_view(header[i]).substr(0, dash),
                                         std::string_view(header[i]).substr(dash + 1),
                                         Sex::Male, {}));
    } catch (const LineError&) {
      Refuse(fileName, headerLine, "年齢の列「" + header[i] + "」が正しくありません");
    }
  }
  static const std::map<std::string, Kind, std::less<>> kinds = {
      {"value", Kind::Value},      {"range", Kind::Range},        {"less_than", Kind::LessThan},
      {"at_least", Kind::AtLeast}, {"consider", Kind::Consider}};
  auto make = [&](const std::vector<std::string>& f) {
    if (f.size() != header.size())
      throw LineError{"列の数が" + std::to_string(f.size()) + "です（" +
                      std::to_string(header.size()) + "列）"};
    Row row;
    row.name = f[0];
    row.unit = f[1];
    const auto kind = kinds.find(f[2]);
    if (row.name.empty() || row.unit.empty() || kind == kinds.end())
      throw LineError{"成分名、単位、種類（value, range, less_than, at_least, consider）が必要です"};
    row.kind = kind->second;
    if ((row.kind == Kind::Range) != (row.unit == "%E"))
      throw LineError{"エネルギー比（%E）は range の行だけです"};
    for (std::size_t i = 3; i < f.size(); ++i) {
      std::string_view cell = f[i];
      const std::size_t dash = row.kind == Kind::Range ? cell.find('-') : std::string_view::npos;
      if (row.kind == Kind::Range && dash == std::string_view::npos)
        throw LineError{"範囲「" + f[i] + "」は 下限-上限 と書きます"};
      const double low = Number(cell.substr(0, dash));
      const double high = dash == std::string_view::npos ? low : Number(cell.substr(dash + 1));
      if (low > high) throw LineError{"範囲の下限が上限より大きくなっています"};
      row.bands.push_back({low, high});
    }
    return row;
  };
  standard.rows_ = ReadRows<Row>(lines, fileName, make, [](const Row& r) { return r.name; });
  return standard;
}

int SchoolLunchStandard::BandOf(const Period& age) const {
  for (std::size_t i = 0; i < bands_.size(); ++i)
    if (bands_[i].Holds(age)) return static_cast<int>(i);
  return -1;
}

const ReferenceSets& BundledReferenceSets() {
  static const ReferenceSets sets{
      ReferenceSet::Read(Bytes(kBundledIntakes2020, kBundledIntakes2020Size), kIntakes2020FileName,
                         Bytes(kBundledEnergy2020, kBundledEnergy2020Size), kEnergy2020FileName),
      ReferenceSet::Read(Bytes(kBundledIntakes2025, kBundledIntakes2025Size), kIntakes2025FileName,
                         Bytes(kBundledEnergy2025, kBundledEnergy2025Size), kEnergy2025FileName),
      SchoolLunchStandard::Read(Bytes(kBundledSchoolLunch, kBundledSchoolLunchSize),
                                kSchoolLunchFileName)};
  return sets;
}

ReferenceSets LoadReferenceSets() {
  const std::string dir = JoinPath(DataDirectory(), kReferenceSetDirName);
  // The data folder's copy where there is one, else the built-in bytes.
  auto bytes = [&](const char* name, const char* data, std::size_t size) {
    const std::string path = JoinPath(dir, name);
    if (!EntryExists(path)) return std::string(data, size);
    return ReadWholeFile(path);
  };
  const std::string i20 = bytes(kIntakes2020FileName, kBundledIntakes2020, kBundledIntakes2020Size);
  const std::string e20 = bytes(kEnergy2020FileName, kBundledEnergy2020, kBundledEnergy2020Size);
  const std::string i25 = bytes(kIntakes2025FileName, kBundledIntakes2025, kBundledIntakes2025Size);
  const std::string e25 = bytes(kEnergy2025FileName, kBundledEnergy2025, kBundledEnergy2025Size);
  const std::string lunch =
      bytes(kSchoolLunchFileName, kBundledSchoolLunch, kBundledSchoolLunchSize);
  return {ReferenceSet::Read(i20, kIntakes2020FileName, e20, kEnergy2020FileName),
          ReferenceSet::Read(i25, kIntakes2025FileName, e25, kEnergy2025FileName),
          SchoolLunchStandard::Read(lunch, kSchoolLunchFileName)};
}

}  // namespace eiyou
