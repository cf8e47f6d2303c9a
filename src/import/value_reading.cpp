#include "import/value_reading.h"

#include <algorithm>
#include <string_view>

#include "nutrition/nutrients.h"
#include "nutrition/real48.h"
#include "tables/numbers.h"

namespace eiyou::import {

void CheckProgramReading(CellValue& value, int slot, const std::string& number,
                         const ImportLimits& limits, FoodImport& result) {
  if (value.mark != CellMark::Plain && value.mark != CellMark::Estimated) return;
  const std::string_view text = value.text;  // digits, optionally "." and digits
  const std::size_t dot = std::min(text.find('.'), text.size());
  std::string_view whole = text.substr(0, dot);
  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
  const std::string_view fraction = text.substr(std::min(dot + 1, text.size()));
  const bool fractionIsZero = fraction.find_first_not_of('0') == std::string_view::npos;

  std::string why;
  bool keep = false;
  if (IsWholeNumberColumn(slot + 1)) {
    if (std::to_string(ParseIntLenient(text)) != whole) {
      why = "は整数の欄の上限（2147483647）を超えていて正しく読めない";
    } else if (!fractionIsZero) {
      why = "は整数の欄にあり " + std::string(whole) + " として読まれます";
      keep = true;
    }
  } else {
    const long double read = Real48(ParseRealLenient(text));
    if (read >= kReal48Max) {
      why = "は大きすぎて正しく読めない";
    } else if (read == 0 && !(whole == "0" && fractionIsZero)) {
      why = "は小さすぎて 0 と読まれる";
    }
  }
  if (why.empty()) return;
  AddProblem(result, limits,
             "食品番号 " + number + ": " + kColumnSources[slot].identifier + " の値「" +
                 Excerpt(text, 40) + "」" + why + (keep ? "" : "ため「-」としました"));
  if (!keep) value = {"-", CellMark::Problem};
}

}  // namespace eiyou::import
