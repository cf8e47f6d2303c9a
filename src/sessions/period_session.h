// The period window's side: its own food and reference tables with the marks,
// the daily chart's state, the range, sex and age class last chosen, and the
// figures and notes of the period last shown, kept for the program run from
// one opening of the period window to the next.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nutrition/assessment.h"
#include "nutrition/figure_table.h"
#include "nutrition/radar_chart.h"
#include "plans/period.h"
#include "reports/figures_report.h"
#include "sessions/assessment_session.h"
#include "sessions/side_tables.h"

namespace eiyou {

inline constexpr const char* kNoPeriodDaysMessage = "指定した期間に保存された献立はありません！";
inline constexpr const char* kReversedPeriodMessage = "開始日が終了日より後になっています！";

// A stored day as the period window lists it: its date and four of its
// figures in the figure table's units, those of kPeriodDayColumns.
struct PeriodDayRow {
  std::string date, energy, protein, fat, salt;
};

// The columns of that list after the date: heading (UTF-8) and figure row.
// The period's PDF report lists its days under the same.
struct PeriodDayColumn {
  const char* heading;
  int row;
};
inline constexpr PeriodDayColumn kPeriodDayColumns[] = {
    {"エネルギー(kcal)", 0}, {"たんぱく質(g)", 1}, {"脂質(g)", 2}, {"食塩相当量(g)", kSaltRow}};

class PeriodSession : public SideTables {
 public:
  RadarChart chart{kDailyChart};
  // The range last asked for ("YYYY-MM-DD"); empty until then.
  const std::string& from() const { return from_; }
  const std::string& to() const { return to_; }
  int sex() const { return sex_; }        // 0 male, 1 female, -1 nothing chosen
  int ageRow() const { return ageRow_; }  // reference row 1..11, 0 nothing chosen

  void ChooseSex(int sex) { sex_ = sex; }
  void ChooseAge(int ageRow) { ageRow_ = ageRow; }

  // Checks the range and the choices, loads both tables (their messages go to
  // `sink`), reads the days stored from `fromDate` to `toDate` in the day plan
  // database of `dataDir` and computes their figures and notes. Every reason
  // for showing nothing goes to `sink`, and then no period is held. An
  // unreadable table throws IoError.
  bool Show(MessageSink& sink, const std::string& fromDate, const std::string& toDate,
            const std::string& dataDir, std::time_t now);
  // The same in the data folder the program runs in (its working directory).
  bool ShowInDataFolder(MessageSink& sink, const std::string& fromDate, const std::string& toDate,
                        std::time_t now);
  // Forgets the period shown.
  void Clear();

  bool HasPeriod() const { return !figures_.days.empty(); }
  const PeriodFigures& figures() const { return figures_; }
  const QualityNotes& notes() const { return notes_; }
  // The sex and age class the period was shown for.
  int shownSex() const { return shownSex_; }
  int shownAge() const { return shownAge_; }

  // The average with salt, fibre and the notes of every food of the period.
  FigureColumn AverageColumn() const;
  // The targets of the row shown, or null when the reference table is empty.
  const NutrientTargets* Targets() const { return hasTargets_ ? &targets_ : nullptr; }
  // The figure table of the average against the row shown: its `chosen`,
  // `reference` and `percent` cells are the window's columns.
  FigureTableRows Figures() const;
  std::vector<PeriodDayRow> DayRows() const;

  // The daily chart of the average against the row shown; nothing without
  // targets. False when nothing was drawn.
  bool DrawChart(Canvas& canvas);

  // The report of the period; `sexText` and `ageText` name the row shown
  // (UTF-8). The assessment of the mean daily intake, when the caller gives
  // one, follows the figures.
  Report MakeReport(std::string_view sexText, std::string_view ageText,
                    const std::optional<Assessment>& assessment = std::nullopt) const;
  // Its chart: the average against the targets of the row shown.
  ReportChart MakeReportChart() const;
  // A file name for the report, without its extension (UTF-8).
  std::string ReportBaseName() const;

  // The assessment of the period's mean daily intake. Needs `assessment`.
  AssessmentView Assessed();

 private:
  std::string from_, to_;
  int sex_ = -1, ageRow_ = 0;
  PeriodFigures figures_;
  QualityNotes notes_;
  NutrientTargets targets_;
  bool hasTargets_ = false;
  int shownSex_ = -1, shownAge_ = 0;
  std::string shownFrom_, shownTo_;
  std::vector<std::vector<FoodAmount>> dayFoods_;  // per day shown
};

}  // namespace eiyou
