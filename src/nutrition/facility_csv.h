// The facility's CSV files: prices (単価) and headcounts by date (喫食人数).
// A file with any bad line is refused whole: every problem is listed with its
// line, and the caller stores nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "nutrition/facility.h"

namespace eiyou {

struct PriceCsv {
  std::vector<FoodPurchase> rows;
  // UTF-8 Japanese, one per bad line, each naming it: 「3行目: 単価が数値ではありません」.
  std::vector<std::string> problems;
};
// Columns: 食品番号, 単価(円), 購入単位の重量(g), 単位名, 設定日, 納入業者, with a
// header row; UTF-8 (with or without its mark) or CP932.
PriceCsv ReadPriceCsv(std::string_view bytes);
// The same columns, for writing the stored prices back out (UTF-8 with its mark).
std::string PriceCsvText(const std::vector<FoodPurchase>& rows);

struct HeadcountCsv {
  std::vector<HeadcountChange> changes;
  std::vector<std::string> problems;  // as PriceCsv's
};
// Columns: 日付, then one column per group named in the header row (the
// groups' names); an empty cell leaves that group's day as it is.
HeadcountCsv ReadHeadcountCsv(std::string_view bytes, const std::vector<EaterGroup>& groups);

}  // namespace eiyou
