// The order sheet: its rows and rounding, the CSV bytes, the workbook's
// numbers. Figures worked by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "reports/order_report.h"
#include "tables/cp932.h"
#include "zip_entry.h"

using namespace eiyou;

namespace {

// Two dates; the first with a supplier's food and one without. The amounts
// sit on the rounding's edges: 1234.45 g net shows 1234.5 (half up), an
// order of 1313.245 g shows 1313.3 g and 1.314 kg (up, never short).
OrderReport Sheet() {
  OrderSheet s;
  s.from = "2026-06-01";
  s.to = "2026-06-02";
  s.groups = {"低学年", "高学年"};
  const std::string onion = Cp932("たまねぎ　りん茎　生"), rice = Cp932("こめ　［水稲めし］　精白米");
  s.lines = {{"2026-06-01", "八百屋", 6, 6153, onion, 1234450, 6, 1313245},
             {"2026-06-01", "", 1, 1088, rice, 300049, std::nullopt, 300049},
             {"2026-06-02", "八百屋", 6, 6153, onion, 500000, 10, 555556}};
  s.notes = {"廃棄率のない食品は純使用量を発注します。"};
  return MakeOrderReport(s, {"第一給食センター", "保護者へのお知らせ"}, "食品成分表（八訂）増補2023年");
}

}  // namespace

TEST(OrderReport, CsvGroupsByDateWithSubtotalsAndRoundsNeverShort) {
  EXPECT_EQ(OrderSheetCsv(Sheet()),
            "\xEF\xBB\xBF"
            "納品日,納入業者,食品群,食品番号,食品名,純使用量(g),廃棄率(%),使用量(g),使用量(kg)\r\n"
            "2026-06-01,八百屋,野菜類,06153,たまねぎ　りん茎　生,1234.5,6,1313.3,1.314\r\n"
            "2026-06-01,,穀類,01088,こめ　［水稲めし］　精白米,300.0,,300.1,0.301\r\n"
            "2026-06-01,,,,小計,1534.5,,1613.4,1.615\r\n"
            "2026-06-02,八百屋,野菜類,06153,たまねぎ　りん茎　生,500.0,10,555.6,0.556\r\n"
            "2026-06-02,,,,小計,500.0,,555.6,0.556\r\n"
            "\r\n"
            "発注表\r\n"
            "第一給食センター\r\n"
            "期間: 2026-06-01 ～ 2026-06-02\r\n"
            "対象: 低学年、高学年\r\n"
            "廃棄率のない食品は純使用量を発注します。\r\n"
            "使用量 = 純使用量 ÷ (1 − 廃棄率/100)。\r\n"
            "純使用量は 0.1 g 未満を四捨五入、使用量は不足しないよう 0.1 g 未満（kg は 1 g 未満）を"
            "切り上げて表示しています。小計は表示した値の合計です。\r\n"
            "食品成分: 文部科学省「日本食品標準成分表（八訂）増補2023年」\r\n");
}

TEST(OrderReport, WorkbookStoresTheShownFiguresAsNumbers) {
  const std::string path = ::testing::TempDir() + "/order.xlsx";
  std::string error;
  ASSERT_TRUE(WriteOrderSheetXlsx(Sheet(), path, error)) << error;
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(std::fopen((path + ".part").c_str(), "rb"), nullptr);
  const std::string sheet = ZipEntry(path, "xl/worksheets/sheet1.xml");
  // Title, three heading lines, a blank and the header: the lines start on row 7.
  for (const char* cell : {"r=\"F7\" s=\"[0-9]+\"><v>1234.5</v>", "r=\"G7\" s=\"[0-9]+\"><v>6</v>",
                           "r=\"H7\" s=\"[0-9]+\"><v>1313.3</v>", "r=\"I7\" s=\"[0-9]+\"><v>1.314</v>",
                           "r=\"I9\" s=\"[0-9]+\"><v>1.615</v>", "r=\"F10\" s=\"[0-9]+\"><v>500</v>"})
    EXPECT_TRUE(testing::internal::RE::PartialMatch(sheet, testing::internal::RE(cell))) << cell;
  EXPECT_EQ(sheet.find("r=\"G8\""), std::string::npos) << "no refuse figure: an empty cell";
  const std::string styles = ZipEntry(path, "xl/styles.xml");
  for (const char* format : {"formatCode=\"0.0\"", "formatCode=\"0.000\""})
    EXPECT_NE(styles.find(format), std::string::npos) << format;
  const std::string strings = ZipEntry(path, "xl/sharedStrings.xml");
  for (const char* text : {"06153", "小計", "第一給食センター", "使用量(kg)", "日本食品標準成分表"})
    EXPECT_NE(strings.find(text), std::string::npos) << text;
  std::remove(path.c_str());

  EXPECT_FALSE(WriteOrderSheetXlsx(Sheet(), "/nonexistent/dir/o.xlsx", error));
  EXPECT_NE(error.find("作成できません"), std::string::npos);
}
