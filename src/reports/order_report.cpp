#include "reports/order_report.h"

#include "nutrition/food_groups.h"
#include "reports/figures_report.h"
#include "reports/report.h"
#include "tables/cp932.h"

namespace eiyou {

namespace {

// `units` of 1/10^`decimals` as a decimal text: 12345, 1 → "1234.5".
std::string Fixed(std::int64_t units, int decimals) {
  std::int64_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  std::string fraction = std::to_string(units % scale);
  fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
  return std::to_string(units / scale) + "." + fraction;
}

// Milligrams to the units shown: tenths of a gram half up (net), tenths of
// a gram up, grams up (the order).
std::int64_t TenthsHalfUp(std::int64_t mg) { return (mg + 50) / 100; }
std::int64_t TenthsUp(std::int64_t mg) { return (mg + 99) / 100; }
std::int64_t GramsUp(std::int64_t mg) { return (mg + 999) / 1000; }

std::string FoodNumber(int food) {
  if (food <= 0) return {};
  std::string digits = std::to_string(food);
  if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
  return digits;
}

struct Sums {
  std::int64_t netTenths = 0, orderTenths = 0, orderGrams = 0;
};

OrderReportRow Subtotal(const std::string& delivery, const Sums& sums) {
  OrderReportRow row;
  row.subtotal = true;
  row.delivery = delivery;
  row.name = "小計";
  row.net = Fixed(sums.netTenths, 1);
  row.order = Fixed(sums.orderTenths, 1);
  row.orderKg = Fixed(sums.orderGrams, 3);
  return row;
}

std::string Joined(const std::vector<std::string>& parts, const char* between) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : between) + part;
  return out;
}

}  // namespace

OrderReport MakeOrderReport(const OrderSheet& sheet, const FacilityInfo& facility,
                            const std::string& foodEdition) {
  OrderReport report;
  report.title = "発注表";
  if (!facility.name.empty()) report.heading.push_back(facility.name);
  report.heading.push_back("期間: " + sheet.from + (sheet.to == sheet.from ? "" : " ～ " + sheet.to));
  if (!sheet.groups.empty()) report.heading.push_back("対象: " + Joined(sheet.groups, "、"));

  Sums sums;
  for (std::size_t i = 0; i < sheet.lines.size(); ++i) {
    const OrderLine& line = sheet.lines[i];
    OrderReportRow row;
    row.delivery = line.delivery;
    row.supplier = line.supplier;
    row.group = OfficialGroupName(line.foodGroup);
    row.number = FoodNumber(line.food);
    row.name = Cp932ToUtf8(line.name);
    const std::int64_t net = TenthsHalfUp(line.netMilligrams), order = TenthsUp(line.orderMilligrams),
                       grams = GramsUp(line.orderMilligrams);
    row.net = Fixed(net, 1);
    if (line.refusePercent) row.refuse = std::to_string(*line.refusePercent);
    row.order = Fixed(order, 1);
    row.orderKg = Fixed(grams, 3);
    sums.netTenths += net;
    sums.orderTenths += order;
    sums.orderGrams += grams;
    report.rows.push_back(std::move(row));
    if (i + 1 == sheet.lines.size() || sheet.lines[i + 1].delivery != line.delivery) {
      report.rows.push_back(Subtotal(line.delivery, sums));
      sums = {};
    }
  }
  if (sheet.lines.empty()) report.notes.push_back("この期間に発注する食品はありません。");

  report.notes.insert(report.notes.end(), sheet.notes.begin(), sheet.notes.end());
  report.notes.push_back("使用量 = 純使用量 ÷ (1 − 廃棄率/100)。");
  report.notes.push_back(
      "純使用量は 0.1 g 未満を四捨五入、使用量は不足しないよう 0.1 g 未満（kg は 1 g 未満）を切り上げて"
      "表示しています。小計は表示した値の合計です。");
  report.sources.push_back(FoodTableSource(foodEdition));
  return report;
}

std::string OrderSheetCsv(const OrderReport& report) {
  std::string out = "\xEF\xBB\xBF";
  for (const char* column : kOrderColumns) out += (column == kOrderColumns[0] ? "" : ",") + CsvField(column);
  out += "\r\n";
  for (const OrderReportRow& r : report.rows) {
    bool first = true;
    for (const std::string* field :
         {&r.delivery, &r.supplier, &r.group, &r.number, &r.name, &r.net, &r.refuse, &r.order, &r.orderKg}) {
      out += (first ? "" : ",") + CsvField(*field);
      first = false;
    }
    out += "\r\n";
  }
  // What the sheet is of, below the table so that it still starts at the
  // first line.
  out += "\r\n";
  out += CsvField(report.title) + "\r\n";
  for (const std::vector<std::string>* lines : {&report.heading, &report.notes, &report.sources})
    for (const std::string& line : *lines) out += CsvField(line) + "\r\n";
  return out;
}

}  // namespace eiyou
