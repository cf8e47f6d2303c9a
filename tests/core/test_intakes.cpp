// The intakes of every nutrient from a dish's foods, with and without the
// table's companion of every component, and the assessment's state: the
// profile remembered between runs and stored with a day.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "nutrition/assessment_table.h"
#include "nutrition/intakes.h"
#include "sessions/sessions.h"
#include "table_test_support.h"

namespace eiyou {
namespace {

class IntakeFiles : public testing::ScratchDirTest {
 protected:
  // The bundled table and marks, with its companion unless `companion` is false.
  void Load(bool companion) {
    for (const char* name : {kFoodFileName, kFoodMarksFileName, kFoodComponentsFileName}) {
      if (!companion && std::string(name) == kFoodComponentsFileName) continue;
      std::filesystem::copy_file(std::string(EIYOU_SAMPLE_DATA) + "/" + name, Path(name));
    }
    testing::RecordingSink sink;
    LoadFoodTable(food, sink);
    marks = LoadFoodMarks();
    components = LoadFoodComponents();
  }
  Intakes Of(std::vector<FoodAmount> foods) {
    return IntakeCounter(food, marks, components).Of(foods);
  }

  FoodTable food;
  std::vector<FoodMarksLine> marks;
  FoodComponents components;
};

// Row 1 is 01001 アマランサス 玄穀: PROT 12.7, FIB 7.4, K 600, ZN 5.8, NE
// "(3.8)", VITA_RAE "Tr", VITD "(0)", ALC "-".
TEST_F(IntakeFiles, EveryComponentComesFromTheCompanionWithItsMarks) {
  Load(true);
  const Intakes whole = Of({{1, 100}});
  ASSERT_EQ(whole.size(), kIntakeIdentifiers.size());
  EXPECT_DOUBLE_EQ(whole.at("PROT").value, 12.7);
  EXPECT_DOUBLE_EQ(whole.at("ZN").value, 5.8);
  EXPECT_DOUBLE_EQ(whole.at("K").value, 600);
  const Intake& ne = whole.at("NE");
  EXPECT_TRUE(ne.estimated && !ne.incomplete && ne.value == 3.8);
  for (const char* zero : {"VITA_RAE", "VITD"}) {
    const Intake& i = whole.at(zero);
    EXPECT_TRUE(i.value == 0 && !i.estimated && !i.incomplete) << zero;
  }
  const Intake& alc = whole.at("ALC");
  EXPECT_TRUE(alc.incomplete && alc.value == 0);

  // 50 g halves; a food of weight 0 or outside the table adds and marks nothing.
  const Intakes half = Of({{1, 50}, {2, 0}, {99999, 100}});
  EXPECT_DOUBLE_EQ(half.at("PROT").value, 6.35);
  EXPECT_DOUBLE_EQ(half.at("ZN").value, 2.9);
  EXPECT_TRUE(half.at("NE").estimated);
  EXPECT_DOUBLE_EQ(Of({}).at("FOL").value, 0);

  // Carbohydrate is the companion's CHOCDF (64.9), not the table's 糖質 (57.5).
  EXPECT_DOUBLE_EQ(whole.at("CHOCDF").value, 64.9);
}

TEST_F(IntakeFiles, WithoutTheCompanionTheTablesColumnsStandInAndTheRestIsAbsent) {
  Load(false);
  ASSERT_FALSE(components.available());
  const Intakes in = Of({{2, 200}});  // 02 あわ 精白粒: 346 kcal, Ca 14, B1 0.56
  EXPECT_DOUBLE_EQ(in.at("ENERC_KCAL").value, 692);
  EXPECT_DOUBLE_EQ(in.at("CA").value, 28);
  EXPECT_DOUBLE_EQ(in.at("THIA").value, 1.12);
  for (const char* absent : {"CHOCDF", "ZN", "NE", "VITD", "FOL"}) EXPECT_FALSE(in.contains(absent)) << absent;
  // "(0)" in the IU column: marked as the marks file says, 0 µgRAE.
  EXPECT_DOUBLE_EQ(in.at("VITA_RAE").value, 0);

  // The assessment says so in words, and shows no intake rather than 0.
  Profile profile;
  const Assessment a = Assess(in, ResolveReference(profile, BundledReferenceSets()));
  const AssessmentTable table = MakeAssessmentTable(a, false);
  bool sawZinc = false;
  for (std::size_t i = 0; i < a.rows.size(); ++i) {
    if (std::string_view(a.rows[i].nutrient->id) != "ZN") continue;
    sawZinc = true;
    EXPECT_EQ(a.rows[i].judgement, Judgement::NotJudged);
    EXPECT_EQ(table.lines[i].cells[kIntakeColumn], "－");
    EXPECT_EQ(table.lines[i].cells[kNoteColumn], "食品成分表にこの成分がありません");
  }
  EXPECT_TRUE(sawZinc);
}

TEST(AssessmentTable, FiguresGoalsAndNotesReadAsPublished) {
  const auto intake = [](const char* id, double value) {
    for (const AssessedNutrient& n : kAssessedNutrients)
      if (std::string_view(n.id) == id) return AssessmentIntakeText(n, value);
    return std::string("?");
  };
  EXPECT_EQ(intake("ENERC_KCAL", 2049.6), "2050");
  EXPECT_EQ(intake("FE", 10.54), "10.5");
  EXPECT_EQ(intake("THIA", 1.104), "1.10");
  EXPECT_EQ(intake("NACL_EQ", -0.001), "0.0");
  EXPECT_EQ(ReferenceFigureText(0.9 + 0.2), "1.1");
  EXPECT_EQ(ReferenceFigureText(2050), "2050");

  // 2025, men 18-29: niacin from 2020 marked †; salt's goal "未満"; a period's note.
  Profile man;
  man.sex = Sex::Male;
  man.age = {PeriodClass::Years, 18, 29};
  const Assessment a = Assess({{"NE", {20, false, false}}, {"NACL_EQ", {8, true, true}}},
                              ResolveReference(man, BundledReferenceSets()));
  const AssessmentTable t = MakeAssessmentTable(a, true, "期間");
  for (std::size_t i = 0; i < a.rows.size(); ++i) {
    const std::string_view id = a.rows[i].nutrient->id;
    if (id == "NE") {
      EXPECT_TRUE(t.lines[i].cells[kRdaColumn].ends_with(kOlderEditionMark));
    }
    if (id == "NACL_EQ") {
      EXPECT_EQ(t.lines[i].cells[kIntakeColumn], "8.0※＊");
      EXPECT_EQ(t.lines[i].cells[kDgColumn], "7.5未満");
      EXPECT_EQ(t.lines[i].cells[kJudgementColumn], "△ 目標量の範囲外");
    }
  }
  const auto has = [&](const std::string& note) {
    return std::find(t.notes.begin(), t.notes.end(), note) != t.notes.end();
  };
  EXPECT_EQ(t.notes.front(), "評価の対象：期間");
  EXPECT_TRUE(has(std::string(kOlderEditionMark) + " " + kOlderEditionNote));
  EXPECT_TRUE(has(kHabitualIntakeNote));
  EXPECT_TRUE(has(kFigureMarksLegend));
}

class AssessmentState : public testing::ScratchDirTest {};

TEST_F(AssessmentState, TheProfileIsRememberedAndADamagedFileGivesTheDefault) {
  ASSERT_EQ(mkdir(Path(kDishDirName).c_str(), 0755), 0);
  Profile chosen;
  chosen.sex = Sex::Male;
  chosen.age = {PeriodClass::Years, 52, 52};
  chosen.activity = 3;
  {
    AssessmentSession first;
    EXPECT_EQ(first.profile(), Profile{});
    int told = 0;
    const Subscription s = first.Subscribe([&](const AssessmentChange&) { ++told; });
    first.ChooseProfile(chosen);
    first.ChooseProfile(chosen);  // no change, no word
    EXPECT_EQ(told, 1);
  }
  EXPECT_EQ(AssessmentSession().profile(), chosen);
  WriteBytes(std::string(kDishDirName) + "/" + kProfileFileName, "sex=X;age=30\r\n");
  EXPECT_EQ(AssessmentSession().profile(), Profile{});
}

TEST_F(AssessmentState, ATargetSetIsLookedUpByNameAndAMissingOneSaysSo) {
  AssessmentSession state;
  Profile profile;
  profile.targetSet = "減塩食 6g";
  state.ChooseProfile(profile);
  EXPECT_EQ(state.Reference().noValueReason, "目標量セット「減塩食 6g」が見つかりません");

  PersonReference lowSalt;
  lowSalt.kind = PersonReference::Kind::TargetSet;
  lowSalt.edition = "減塩食 6g";
  lowSalt.nutrients["NACL_EQ"].dgUpper = {6.0, false};
  lowSalt.nutrients["NACL_EQ"].dgUpperExclusive = true;
  state.SetTargetSets({[] { return std::vector<std::string>{"減塩食 6g"}; },
                       [&](std::string_view name, const Profile&) -> std::optional<PersonReference> {
                         if (name == "減塩食 6g") return lowSalt;
                         return std::nullopt;
                       }});
  EXPECT_EQ(state.TargetSetNames(), std::vector<std::string>{"減塩食 6g"});
  FoodTable food;
  food.SetRow(1, " 1001,塩,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,6.5,0");
  const std::vector<FoodAmount> foods = {{1, 100}};
  const Assessment a = state.AssessFoods(food, {}, foods);
  EXPECT_EQ(a.edition, "減塩食 6g");
  for (const AssessmentRow& row : a.rows)
    if (std::string_view(row.nutrient->id) == "NACL_EQ") {
      EXPECT_EQ(row.judgement, Judgement::OutsideGoal);
    }
}

TEST_F(AssessmentState, ADayCarriesTheProfileAndADayWithoutOneKeepsIt) {
  Sessions sessions;
  Profile pregnant;
  pregnant.stage = LifeStage::PregnancyMid;
  sessions.assessment.ChooseProfile(pregnant);
  sessions.meal.ChooseDate("2024-05-01");
  DayPlan day = sessions.meal.PlannedDay();
  EXPECT_EQ(day.profile, ProfileText(pregnant));

  Profile other;
  other.sex = Sex::Male;
  sessions.assessment.ChooseProfile(other);
  day.sex = 1;
  day.age = 9;
  sessions.meal.TakeDay(day);
  EXPECT_EQ(sessions.assessment.profile(), pregnant);
  EXPECT_EQ(sessions.meal.sex(), 1);

  sessions.assessment.ChooseProfile(other);
  day.profile.clear();  // stored before profiles were
  sessions.meal.TakeDay(day);
  EXPECT_EQ(sessions.assessment.profile(), other);
  EXPECT_EQ(sessions.meal.ageRow(), 9);
}

}  // namespace
}  // namespace eiyou
