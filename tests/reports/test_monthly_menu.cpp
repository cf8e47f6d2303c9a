// The month's menu for families as CSV: its bytes, the allergens kept apart.
#include <gtest/gtest.h>

#include "reports/monthly_menu.h"

using namespace eiyou;

TEST(MonthlyMenu, CsvHasADayARowTheAverageUnderItsColumnsAndTheNotes) {
  MonthlyMenu m;
  m.facility = "第一給食センター";
  m.year = 2026;
  m.month = 6;
  m.group = "中学年";
  m.days = {{"2026-06-01", {"ごはん", "牛乳", "さばのみそ煮"}, "612", "24.3", "2.1", "乳・さば", "小麦"},
            {"2026-06-06", {"食パン, バター"}, "540", "20.0", "1.9", "", ""}};
  m.referenceName = "学校給食摂取基準（中学年）";
  m.averages = {{"エネルギー（kcal）", "576", "650", "不足ぎみ"},
                {"たんぱく質（g）", "22.2", "21～33", "基準の範囲内"},
                {"食塩相当量（g）", "2.0", "2.0未満", "多め"}};
  m.notes = "献立は都合により変わることがあります。\r\n\n牛乳は毎日つきます。";
  m.sources = {"食品成分: 文部科学省「日本食品標準成分表（八訂）増補2023年」"};
  EXPECT_EQ(MonthlyMenuCsv(m),
            "\xEF\xBB\xBF"
            "日付,曜日,献立,エネルギー(kcal),たんぱく質(g),食塩相当量(g),アレルゲン（含む）,アレルゲン（含む可能性）\r\n"
            "2026-06-01,月,ごはん、牛乳、さばのみそ煮,612,24.3,2.1,乳・さば,小麦\r\n"
            "2026-06-06,土,\"食パン, バター\",540,20.0,1.9,,\r\n"
            "月平均,,,576,22.2,2.0\r\n"
            "基準値,,,650,21～33,2.0未満\r\n"
            "判定,,,不足ぎみ,基準の範囲内,多め\r\n"
            "\r\n"
            "2026年6月の献立表\r\n"
            "第一給食センター\r\n"
            "対象: 中学年\r\n"
            "基準: 学校給食摂取基準（中学年）\r\n"
            "献立は都合により変わることがあります。\r\n"
            "牛乳は毎日つきます。\r\n"
            "食品成分: 文部科学省「日本食品標準成分表（八訂）増補2023年」\r\n");
}

// "May contain" stays its own line beside what is contained, and a day is
// "none" only when neither is said.
TEST(MonthlyMenu, AllergenLinesNeverTurnMayContainIntoNone) {
  EXPECT_EQ(AllergenLines({"2026-06-01", {}, "", "", "", "", "えび"}),
            (std::vector<std::string>{"含む可能性: えび"}));
  EXPECT_EQ(AllergenLines({"2026-06-01", {}, "", "", "", "小麦・卵", "えび"}),
            (std::vector<std::string>{"含む: 小麦・卵", "含む可能性: えび"}));
  EXPECT_EQ(AllergenLines({}), (std::vector<std::string>{"含む: なし"}));
  EXPECT_EQ(WeekdayName("2026-02-28"), "土");
  EXPECT_EQ(WeekdayName("2026-02-29"), "");
}
