// The period side: the stored days of a range, their average with reference,
// share and marks, the chart of the average, its report, and what stops it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

#include "period_test_data.h"
#include "sessions/period_session.h"
#include "table_test_support.h"

using namespace eiyou;
using namespace eiyou::testing;
namespace pt = eiyou::period_test;

namespace {

class PeriodSessionTest : public ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    pt::WriteTables(dir_);
    session_ = std::make_unique<PeriodSession>();
    session_->ChooseSex(pt::kSex);
    session_->ChooseAge(pt::kAge);
  }
  bool Show(const std::string& from = pt::kFrom, const std::string& to = pt::kTo) {
    sink_.messages.clear();
    return session_->Show(sink_, from, to, dir_, 1717200000);
  }
  std::unique_ptr<PeriodSession> session_;
  RecordingSink sink_;
};

// The ends of the polygon's lines and of the spokes.
class PointCanvas : public Canvas {
 public:
  void SetPen(Rgb colour, int) override { pen_ = colour; }
  void MoveTo(int, int) override {}
  void LineTo(int x, int y) override { (pen_ == kGraphBlue ? blue : green).insert({x, y}); }
  void SetBrush(Rgb) override {}
  void FillRect(int, int, int, int) override {}
  std::set<std::pair<int, int>> blue, green;

 private:
  Rgb pen_{};
};

TEST_F(PeriodSessionTest, TheDaysOfTheRangeTheirAverageMarksChartAndReport) {
  ASSERT_TRUE(pt::StoreDays(dir_));
  ASSERT_TRUE(Show());
  EXPECT_TRUE(sink_.messages.empty());

  const std::vector<PeriodDayRow> days = session_->DayRows();
  ASSERT_EQ(days.size(), 3u);
  const std::vector<std::vector<std::string>> expected = {
      {"2024-07-01", "2100", "60", "51", "3.0"},
      {"2024-07-02", "1050", "30", "25.5", "1.5"},
      {"2024-07-04", "3150", "90", "76.5", "4.5"}};
  for (std::size_t d = 0; d < days.size(); ++d)
    EXPECT_EQ((std::vector<std::string>{days[d].date, days[d].energy, days[d].protein, days[d].fat,
                                        days[d].salt}),
              expected[d]);

  // The average of the three days, 300 g a day: the female row exactly (the
  // window's test checks reference and share).
  const FigureTableRows rows = session_->Figures();
  const char* average[kFigureRows] = {"2100", "60",  "51", "600", "10.2", "630",
                                      "1.2",  "1.5", "90", "3.0", "6.0"};
  for (int k = 0; k < kFigureRows; ++k) EXPECT_EQ(rows[k].chosen.text, average[k]) << k;
  // 水道水, eaten on the first day only, leaves its missing vitamin C marked.
  EXPECT_EQ(rows[8].chosen.mark, "※");
  EXPECT_NE(rows[8].chosen.tip.find("水道水"), std::string::npos);
  EXPECT_EQ(rows[0].chosen.mark, "");

  // Every vertex of the outline lies on a spoke end.
  PointCanvas canvas;
  ASSERT_TRUE(session_->DrawChart(canvas));
  EXPECT_EQ(canvas.blue.size(), 9u);
  EXPECT_TRUE(std::includes(canvas.green.begin(), canvas.green.end(), canvas.blue.begin(),
                            canvas.blue.end()));

  const Report report = session_->MakeReport("女", "18～29歳");
  EXPECT_EQ(report.title, "期間の栄養分析");
  EXPECT_EQ(report.heading,
            (std::vector<std::string>{"期間: 2024-07-01～2024-07-05（献立のある日 3日）",
                                      "性別: 女", "年齢区分: 18～29歳"}));
  ASSERT_EQ(report.days.size(), 3u);
  EXPECT_EQ(report.days[1].label, "2024-07-02");
  EXPECT_EQ(report.days[1].cells[kSaltRow].number, "1.5");
  EXPECT_EQ(report.average.cells[0].number, "2100");
  EXPECT_EQ(report.average.cells[8].mark, "※");
  EXPECT_EQ(report.reference.cells[kSaltRow].number + "|" + report.reference.cells[kSaltRow].words,
            "6.5|未満");
  EXPECT_EQ(report.percent.cells[kSaltRow].number, "46");
  ASSERT_EQ(report.dayTable.size(), 4u);
  EXPECT_EQ(report.dayTable[3].column, std::size_t(kSaltRow));
  EXPECT_EQ(session_->ReportBaseName(), "期間の栄養分析_2024-07-01_2024-07-05");
  // The caller's assessment of the mean follows the figures, as a habitual intake.
  EXPECT_FALSE(report.assessment);
  const Report assessed = session_->MakeReport("女", "18～29歳", Assessment{"基準", {}});
  ASSERT_TRUE(assessed.assessment);
  EXPECT_EQ(assessed.assessment->notes,
            (std::vector<std::string>{"基準：基準", kHabitualIntakeNote}));
}

TEST_F(PeriodSessionTest, EachReasonForNoPeriodIsToldAndForgetsThePeriodShown) {
  ASSERT_TRUE(pt::StoreDays(dir_));
  ASSERT_TRUE(Show());

  EXPECT_FALSE(Show("2024-07-05", "2024-07-01"));
  EXPECT_EQ(sink_.messages, std::vector<std::string>{kReversedPeriodMessage});
  EXPECT_FALSE(session_->HasPeriod());
  EXPECT_EQ(session_->from(), pt::kFrom);  // a reversed range is not remembered

  EXPECT_FALSE(Show("2024-07-07", "2024-07-31"));
  EXPECT_EQ(sink_.messages, std::vector<std::string>{kNoPeriodDaysMessage});
  EXPECT_EQ(session_->from(), "2024-07-07");

  session_->ChooseAge(0);
  EXPECT_FALSE(Show());
  EXPECT_EQ(sink_.messages, std::vector<std::string>{ChartBlockerMessage(ChartBlocker::NoAge)});
  session_->ChooseSex(-1);
  EXPECT_FALSE(Show());
  EXPECT_EQ(sink_.messages, std::vector<std::string>{ChartBlockerMessage(ChartBlocker::NoSex)});
  session_->ChooseSex(pt::kSex);
  session_->ChooseAge(pt::kAge);

  // Without the KONDATE folder nothing is read: its message alone.
  std::filesystem::remove_all(dir_ + "/KONDATE");
  EXPECT_FALSE(Show());
  ASSERT_EQ(sink_.messages.size(), 1u);
  EXPECT_NE(sink_.messages[0].find("KONDATE"), std::string::npos);

  // Without a reference table the figures stand alone and no chart is drawn.
  std::filesystem::create_directories(dir_ + "/KONDATE");
  ASSERT_TRUE(pt::StoreDays(dir_));
  std::filesystem::remove(dir_ + "/STD.CSV");
  auto fresh = std::make_unique<PeriodSession>();
  fresh->ChooseSex(pt::kSex);
  fresh->ChooseAge(pt::kAge);
  sink_.messages.clear();
  ASSERT_TRUE(fresh->Show(sink_, pt::kFrom, pt::kTo, dir_, 1717200000));
  EXPECT_EQ(sink_.messages.size(), 1u);  // the missing file
  EXPECT_EQ(fresh->Figures()[0].chosen.text, "2100");
  EXPECT_EQ(fresh->Figures()[0].reference.text, "-");
  PointCanvas canvas;
  EXPECT_FALSE(fresh->DrawChart(canvas));
  EXPECT_TRUE(canvas.green.empty());
}

}  // namespace
