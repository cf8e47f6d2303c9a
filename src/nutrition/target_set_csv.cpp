#include "nutrition/target_set_csv.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "tables/cp932.h"
#include "tables/text_fields.h"

namespace eiyou {
namespace {

constexpr std::string_view kNameComment = "# 目標量セット:";
constexpr std::string_view kDescriptionComment = "# 説明:";
// More rows than every nutrient, kind and age class of a sex twice over: a
// file this long is not a target set, and the checks of each row against the
// rows before it stay quick.
constexpr std::size_t kMaxValues = 6000;

enum Column { kNutrient, kKind, kValue, kUnit, kSex, kAge, kColumns };
constexpr std::array<const char*, kColumns> kCaptions = {"栄養素", "項目", "値", "単位", "性別", "年齢区分"};
constexpr std::array<const char*, 2> kIgnoredCaptions = {"名称", "備考"};

struct KindToken {
  const char* token;
  TargetKind kind;
  bool exclusive;
};
// The first token of a kind is the one written; the others are read.
constexpr KindToken kKindTokens[] = {
    {"EAR", TargetKind::Ear, false},          {"RDA", TargetKind::Rda, false},
    {"AI", TargetKind::Ai, false},            {"DG_min", TargetKind::DgLower, false},
    {"DG_max", TargetKind::DgUpper, false},   {"DG_max未満", TargetKind::DgUpper, true},
    {"UL", TargetKind::Ul, false},            {"目標", TargetKind::Target, false},
    {"推定平均必要量", TargetKind::Ear, false}, {"推奨量", TargetKind::Rda, false},
    {"目安量", TargetKind::Ai, false},        {"目標量下限", TargetKind::DgLower, false},
    {"目標量上限", TargetKind::DgUpper, false}, {"目標量上限未満", TargetKind::DgUpper, true},
    {"耐容上限量", TargetKind::Ul, false},    {"給与目標量", TargetKind::Target, false},
};


// One line's cells: commas separate, a quoted cell may hold commas and ""
// for a quote. False for a quote left open (a cell cannot span lines here).
bool SplitCells(std::string_view line, std::vector<std::string>& cells) {
  cells.assign(1, {});
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c != '"') {
        cells.back() += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        cells.back() += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == ',') {
      cells.emplace_back();
    } else if (c == '"' && TrimmedCell(cells.back()).empty()) {
      cells.back().clear();
      quoted = true;
    } else {
      cells.back() += c;
    }
  }
  for (std::string& cell : cells) cell = std::string(TrimmedCell(cell));
  return !quoted;
}


std::optional<double> ReadNumber(std::string_view text, std::string& why) {
  if (text.find(',') != std::string_view::npos || text.find("，") != std::string_view::npos) {
    why = "「" + std::string(text) + "」にカンマがあります。小数点はピリオド（.）で、桁区切りなしで書いてください。";
    return std::nullopt;
  }
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) {
    why = "「" + std::string(text) + "」は数値として読めません（半角の数字と小数点で書いてください）。";
    return std::nullopt;
  }
  if (value < 0) {
    why = "値は 0 以上にしてください。";
    return std::nullopt;
  }
  return value + 0.0;
}

// µ written any of the ways a user may type it.
std::string UnitKey(std::string_view unit) {
  std::string out(unit);
  for (std::string_view micro : {"µ", "μ", "u"})
    if (out.starts_with(micro)) return "µ" + out.substr(micro.size());
  return out;
}

std::optional<int> Whole(std::string_view text) {
  int value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || value < 0 || value > 150)
    return std::nullopt;
  return value;
}

// 「30-49歳」「30～49」「75歳以上」「75-」「6-11か月」「1歳」
std::optional<Period> ReadAge(std::string_view text) {
  Period age{PeriodClass::Years, 0, 0};
  bool open = false;
  for (std::string_view suffix : {"歳以上", "以上"})
    if (text.ends_with(suffix)) {
      text.remove_suffix(suffix.size());
      open = true;
    }
  for (std::string_view suffix : {"か月", "ヶ月", "カ月", "ケ月"})
    if (!open && text.ends_with(suffix)) {
      text.remove_suffix(suffix.size());
      age.cls = PeriodClass::Months;
    }
  if (text.ends_with("歳")) text.remove_suffix(std::string_view("歳").size());
  std::size_t dash = std::string_view::npos, dashSize = 0;
  for (std::string_view d : {"-", "～", "~", "〜"})
    if (const std::size_t at = text.find(d); at != std::string_view::npos) {
      dash = at;
      dashSize = d.size();
    }
  const auto from = Whole(text.substr(0, dash));
  if (!from) return std::nullopt;
  age.from = age.to = *from;
  if (dash != std::string_view::npos) {
    const std::string_view rest = text.substr(dash + dashSize);
    if (rest.empty() && age.cls == PeriodClass::Years) {
      open = true;
    } else {
      const auto to = Whole(rest);
      if (!to || open) return std::nullopt;
      age.to = *to;
    }
  }
  if (open) {
    if (age.cls != PeriodClass::Years) return std::nullopt;
    age.to = kOpenEnd;
  }
  if (age.from > age.to || (age.cls == PeriodClass::Months && age.to > 11)) return std::nullopt;
  return age;
}

std::optional<Sex> ReadSex(std::string_view text) {
  for (std::string_view m : {"男", "男性", "M", "m"})
    if (text == m) return Sex::Male;
  for (std::string_view f : {"女", "女性", "F", "f"})
    if (text == f) return Sex::Female;
  return std::nullopt;
}

}  // namespace

const char* TargetKindToken(TargetKind kind, bool exclusive) {
  for (const KindToken& t : kKindTokens)
    if (t.kind == kind && t.exclusive == exclusive) return t.token;
  return "";
}

TargetCsvRead ReadTargetSetCsv(std::string_view bytes) {
  TargetCsvRead out;
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  // CP932 unless the whole file is UTF-8; line by line, so that a byte that
  // is neither is told at its line (CP932 never has a newline inside a
  // character).
  const bool utf8 = IsValidUtf8(bytes);
  const std::string_view text = bytes;
  std::string decoded;

  std::array<int, kColumns> at;
  at.fill(-1);
  bool header = false;
  std::size_t headerCells = 0;
  std::vector<std::string> cells;
  int lineNo = 0;
  auto refuse = [&](std::string message, int column = -1) {
    out = {};
    out.error = std::to_string(lineNo) + " 行目" +
                (column >= 0 ? " " + std::to_string(column + 1) + " 列目" : std::string()) + "：" +
                message;
    return out;
  };
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!utf8) {
      // The decoder puts U+FFFD for what is not CP932; a line that is UTF-8
      // (a file pasted together) is taken as it is.
      decoded = Cp932ToUtf8(line);
      if (decoded.find("\uFFFD") == std::string::npos)
        line = decoded;
      else if (!IsValidUtf8(line))
        return refuse("文字コードが UTF-8 でも CP932 (Shift_JIS) でもない文字があります。");
    }
    if (TrimmedCell(line).starts_with('#') || TrimmedCell(line).starts_with("\"#")) {
      // A comment; a spreadsheet quotes one holding commas and adds empty cells.
      std::string comment(TrimmedCell(line));
      while (comment.ends_with(',')) comment.pop_back();
      if (comment.starts_with('"') && SplitCells(comment, cells)) comment = cells.front();
      for (auto [prefix, field] : {std::pair{kNameComment, &out.set.name},
                                   std::pair{kDescriptionComment, &out.set.description}})
        if (std::string_view(comment).starts_with(prefix))
          *field = TrimmedCell(std::string_view(comment).substr(prefix.size()));
      continue;
    }
    if (!SplitCells(line, cells)) return refuse("引用符（\"）が閉じていません。");
    const std::size_t rawCells = cells.size();
    while (cells.size() > 1 && cells.back().empty()) cells.pop_back();
    if (cells.size() == 1 && cells.front().empty()) continue;

    if (!header) {
      for (std::size_t c = 0; c < cells.size(); ++c) {
        int which = -1;
        for (int k = 0; k < kColumns; ++k)
          if (cells[c] == kCaptions[k]) which = k;
        const bool ignored = cells[c] == kIgnoredCaptions[0] || cells[c] == kIgnoredCaptions[1];
        if (which < 0 && !ignored)
          return refuse("見出し「" + cells[c] + "」はこの形式の列ではありません（栄養素, 名称, 項目, 値, 単位, 性別, 年齢区分）。",
                        static_cast<int>(c));
        if (which >= 0 && at[which] >= 0)
          return refuse("見出し「" + cells[c] + "」が二度あります。", static_cast<int>(c));
        if (which >= 0) at[which] = static_cast<int>(c);
      }
      for (int k : {kNutrient, kKind, kValue})
        if (at[k] < 0)
          return refuse(std::string("見出しの行に「") + kCaptions[k] +
                        "」の列がありません。1行目は「栄養素,名称,項目,値,単位,性別,年齢区分」のような見出しにしてください。");
      header = true;
      headerCells = cells.size();
      continue;
    }

    // More cells than captions: most often a decimal comma split a value,
    // "6,5" read as 6 and a cell 5.
    if (const std::size_t next = static_cast<std::size_t>(at[kValue]) + 1;
        rawCells > headerCells && next < cells.size() && !cells[next].empty() &&
        cells[next].find_first_not_of("0123456789") == std::string::npos)
      return refuse("値の小数点にカンマが使われているようです。小数点はピリオド（.）で書いてください。",
                    static_cast<int>(next));
    for (std::size_t c = headerCells; c < cells.size(); ++c)
      if (!cells[c].empty())
        return refuse("見出しより列が多くあります。値の小数点にカンマを使っていませんか（小数点はピリオド（.）で書いてください）。",
                      static_cast<int>(c));
    auto cell = [&](int k) -> std::string_view {
      return at[k] >= 0 && static_cast<std::size_t>(at[k]) < cells.size() ? std::string_view(cells[at[k]])
                                                                           : std::string_view();
    };
    TargetValue v;
    const std::string_view id = cell(kNutrient);
    const AssessedNutrient* nutrient = nullptr;
    for (const AssessedNutrient& n : kAssessedNutrients)
      if (id == n.id || id == n.name) nutrient = &n;
    if (!nutrient)
      return refuse("栄養素「" + std::string(id) + "」はわかりません（ENERC_KCAL, PROT, NACL_EQ などの成分識別子か、たんぱく質などの名前で書いてください）。",
                    at[kNutrient]);
    v.nutrient = nutrient->id;
    const std::string_view kind = cell(kKind);
    bool kindFound = false;
    for (const KindToken& t : kKindTokens)
      if (kind == t.token) {
        v.kind = t.kind;
        v.exclusive = t.exclusive;
        kindFound = true;
      }
    if (!kindFound)
      return refuse("項目「" + std::string(kind) + "」はわかりません（EAR, RDA, AI, DG_min, DG_max, DG_max未満, UL, 目標 のどれかです）。",
                    at[kKind]);
    std::string why;
    const auto value = ReadNumber(cell(kValue), why);
    if (!value) return refuse(cell(kValue).empty() ? "値がありません。" : why, at[kValue]);
    v.value = *value;
    if (const std::string_view unit = cell(kUnit);
        !unit.empty() && UnitKey(unit) != nutrient->unit && !(unit == "%" && std::string_view(nutrient->unit) == "%E"))
      return refuse("単位「" + std::string(unit) + "」は" + nutrient->name + "の単位 " + nutrient->unit +
                        " と違います。値を " + nutrient->unit + " にして書いてください。",
                    at[kUnit]);
    const std::string_view sex = cell(kSex), age = cell(kAge);
    if (sex.empty() != age.empty())
      return refuse("性別と年齢区分は両方書くか、全員に当てはめるときは両方空けてください。",
                    at[sex.empty() ? kSex : kAge]);
    if (!sex.empty()) {
      const auto s = ReadSex(sex);
      if (!s) return refuse("性別「" + std::string(sex) + "」は「男性」か「女性」で書いてください。", at[kSex]);
      const auto a = ReadAge(age);
      if (!a) return refuse("年齢区分「" + std::string(age) + "」は「30-49歳」「75歳以上」「6-11か月」のように書いてください。", at[kAge]);
      v.group = TargetGroup{*s, *a};
    }
    if (out.set.values.size() == kMaxValues) return refuse("行が多すぎます。");
    out.set.values.push_back(std::move(v));
    if (std::string problem = TargetValueProblem(out.set.values, out.set.values.size() - 1); !problem.empty())
      return refuse(problem);
  }
  if (!header) {
    lineNo = std::max(lineNo, 1);
    return refuse("見出しの行がありません。1行目は「栄養素,名称,項目,値,単位,性別,年齢区分」のような見出しにしてください。");
  }
  if (!TargetSetNameProblem(out.set.name).empty()) out.set.name.clear();
  out.ok = true;
  return out;
}

std::string TargetSetCsv(const TargetSet& set) {
  std::string out = "\xEF\xBB\xBF";
  // Quoted as a spreadsheet quotes a cell when they hold a comma or a quote:
  // a comma at the end would otherwise be taken for an empty cell.
  out += CsvField(std::string(kNameComment) + " " + set.name) + "\r\n";
  if (!set.description.empty())
    out += CsvField(std::string(kDescriptionComment) + " " + set.description) + "\r\n";
  out += "栄養素,名称,項目,値,単位,性別,年齢区分\r\n";
  for (const TargetValue& v : set.values) {
    const AssessedNutrient* n = FindAssessedNutrient(v.nutrient);
    out += v.nutrient + "," + CsvField(n ? n->name : "") + "," + TargetKindToken(v.kind, v.exclusive) + "," +
           FigureText(v.value) + "," + (n ? n->unit : "");
    if (v.group)
      out += std::string(v.group->sex == Sex::Male ? ",男性," : ",女性,") + AgeClassText(v.group->age);
    else
      out += ",,";
    out += "\r\n";
  }
  return out;
}

}  // namespace eiyou
