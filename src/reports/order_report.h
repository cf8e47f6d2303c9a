// The order sheet (発注表) as the kitchen hands it to its suppliers: what to
// deliver on each date, by supplier and food group, in grams and kilograms.
// Made once into display-ready rows, so that the CSV file, the workbook and
// the printed page show the same figures rounded the same way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "nutrition/facility.h"

namespace eiyou {

// The columns of every form of the sheet (UTF-8).
inline constexpr const char* kOrderColumns[9] = {
    "納品日", "納入業者", "食品群", "食品番号", "食品名", "純使用量(g)", "廃棄率(%)", "使用量(g)",
    "使用量(kg)"};

struct OrderReportRow {
  bool subtotal = false;  // the total of a delivery date, under its lines
  // UTF-8 texts, one per column of kOrderColumns. The figures as shown: net
  // to 0.1 g rounded half up; the order to 0.1 g and to the gram in kg,
  // rounded up, so that what is ordered is never short. Empty: no figure.
  std::string delivery, supplier, group, number, name, net, refuse, order, orderKg;
};

struct OrderReport {
  std::string title;                 // 「発注表」
  std::vector<std::string> heading;  // the facility, the period, the groups counted
  std::vector<OrderReportRow> rows;  // by delivery date, supplier, food group
  std::vector<std::string> notes;    // the sheet's own, then how figures are rounded
  std::vector<std::string> sources;  // the food table's edition
};

// The sheet's rows in its order, each delivery date followed by its
// subtotal: the sum of the figures shown above it, so that the column adds up
// on paper. `foodEdition` as FoodTableSource takes it.
OrderReport MakeOrderReport(const OrderSheet& sheet, const FacilityInfo& facility,
                            const std::string& foodEdition);

// UTF-8 with a byte order mark, CR LF: a header row of kOrderColumns, one row
// per line and subtotal (its label "小計" in the food name's column); after
// an empty line the title, the heading, the notes and the sources.
std::string OrderSheetCsv(const OrderReport& report);

// The same as a one-sheet workbook: the title and heading above the header
// row, the figures as numbers shown with their decimals, the subtotals in
// bold, the notes and sources below. False, with `error` (UTF-8 Japanese),
// when the file cannot be written; nothing is left under `path` then.
bool WriteOrderSheetXlsx(const OrderReport& report, const std::string& path, std::string& error);

}  // namespace eiyou
