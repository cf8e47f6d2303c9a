// The reference-value sets, a person's profile and the assessment, against
// values worked out by hand from the bundled files.
#include <gtest/gtest.h>

#include <filesystem>

#include "nutrition/assessment.h"
#include "table_test_support.h"
#include "tables/reference_sets.h"

using namespace eiyou;

namespace {

const ReferenceSets& Sets() { return BundledReferenceSets(); }

Profile Person(Sex sex, int from, int to, ReferenceChoice reference) {
  Profile p;
  p.sex = sex;
  p.age = {PeriodClass::Years, from, to};
  p.reference = reference;
  return p;
}

const NutrientReference& Of(const PersonReference& r, const char* id) {
  static const NutrientReference kNone;
  const auto it = r.nutrients.find(id);
  return it == r.nutrients.end() ? kNone : it->second;
}

double Value(const ReferenceFigure& f) { return f.value.value_or(-1); }

const AssessmentRow& Row(const Assessment& a, std::string_view id) {
  for (const AssessmentRow& row : a.rows)
    if (row.nutrient->id == id) return row;
  throw std::runtime_error("no row");
}

TEST(ReferenceResolution, Women30To49OfThe2020Edition) {
  const PersonReference r =
      ResolveReference(Person(Sex::Female, 30, 49, ReferenceChoice::Edition2020), Sets());
  EXPECT_EQ(r.edition, "厚生労働省「日本人の食事摂取基準（2020年版）」");
  EXPECT_EQ(Value(Of(r, "ENERC_KCAL").target), 2050);
  EXPECT_EQ(Value(Of(r, "PROT").rda), 50);
  EXPECT_EQ(Value(Of(r, "FE").rda), 10.5);  // with menstruation, by default at 30-49
  EXPECT_EQ(Value(Of(r, "NACL_EQ").dgUpper), 6.5);
  EXPECT_TRUE(Of(r, "NACL_EQ").dgUpperExclusive);
  EXPECT_EQ(Value(Of(r, "FIB").dgLower), 18);
  EXPECT_EQ(Value(Of(r, "VITA_RAE").rda), 700);
  EXPECT_EQ(Value(Of(r, "VITA_RAE").ul), 2700);
  EXPECT_EQ(Value(Of(r, "PROT_E").dgLower), 13);
  EXPECT_FALSE(Of(r, "PROT_E").dgUpperExclusive);
  EXPECT_FALSE(Of(r, "VITA_RAE").rda.older);

  // Without menstruation, and at 50-64 by default, iron's own values.
  Profile past = Person(Sex::Female, 30, 49, ReferenceChoice::Edition2020);
  past.menstruation = false;
  EXPECT_EQ(Value(Of(ResolveReference(past, Sets()), "FE").rda), 6.5);
  EXPECT_EQ(Value(Of(ResolveReference(Person(Sex::Female, 55, 55, ReferenceChoice::Edition2020),
                                      Sets()), "FE").rda), 6.5);
}

TEST(ReferenceResolution, Men18To29OfThe2025EditionWith2020ValuesMarked) {
  Profile p = Person(Sex::Male, 18, 29, ReferenceChoice::Current);
  const PersonReference r = ResolveReference(p, Sets());
  EXPECT_EQ(Value(Of(r, "ENERC_KCAL").target), 2600);
  EXPECT_FALSE(Of(r, "ENERC_KCAL").target.older);
  EXPECT_EQ(Value(Of(r, "THIA").rda), 1.1);
  EXPECT_FALSE(Of(r, "THIA").rda.older);
  EXPECT_EQ(Value(Of(r, "NE").rda), 15);  // no niacin in the 2025 file yet
  EXPECT_TRUE(Of(r, "NE").rda.older);
  EXPECT_TRUE(Of(r, "NE").ul.older);
  // What the 2025 edition dropped is not filled from 2020: iron's UL, and
  // the EAR and RDA of vitamin B12, now an AI.
  EXPECT_FALSE(Of(r, "FE").ul.value);
  EXPECT_EQ(Value(Of(r, "VITB12").ai), 4.0);
  EXPECT_FALSE(Of(r, "VITB12").rda.value);
  EXPECT_NE(r.edition.find("2025年版"), std::string::npos);
  EXPECT_NE(r.edition.find("「2020年版の値」は厚生労働省「日本人の食事摂取基準（2020年版）」"),
            std::string::npos);

  // The same man can be judged against 2020 throughout; a child always is.
  p.reference = ReferenceChoice::Edition2020;
  EXPECT_EQ(Value(Of(ResolveReference(p, Sets()), "ENERC_KCAL").target), 2650);
  EXPECT_EQ(Value(Of(ResolveReference(Person(Sex::Male, 8, 8, ReferenceChoice::Current), Sets()),
                     "ENERC_KCAL").target), 1850);
}

TEST(ReferenceResolution, PregnancyAddsToTheWomansOwnRowOfThe2020Edition) {
  Profile p = Person(Sex::Female, 30, 49, ReferenceChoice::Current);
  p.stage = LifeStage::PregnancyLate;
  const PersonReference r = ResolveReference(p, Sets());
  EXPECT_EQ(Value(Of(r, "ENERC_KCAL").target), 2050 + 450);
  EXPECT_EQ(Value(Of(r, "PROT").rda), 50 + 25);
  EXPECT_EQ(Value(Of(r, "FE").rda), 6.5 + 9.5);     // no menstruation in pregnancy
  EXPECT_EQ(Value(Of(r, "VITA_RAE").rda), 700 + 80);
  EXPECT_EQ(Value(Of(r, "VITA_RAE").ul), 2700);     // not stated: the woman's own
  EXPECT_EQ(Value(Of(r, "ID").ul), 2000);           // stated: replaces 3000
  EXPECT_EQ(Value(Of(r, "PROT_E").dgLower), 15);    // late pregnancy's own goal
  EXPECT_EQ(r.edition, "厚生労働省「日本人の食事摂取基準（2020年版）」");
}

TEST(Assessment, JudgementBoundariesAndOrder) {
  const PersonReference r =
      ResolveReference(Person(Sex::Female, 30, 49, ReferenceChoice::Edition2020), Sets());
  auto judge = [&](const char* id, double value, Intakes extra = {}) {
    extra[id] = {value};
    if (!extra.count("ENERC_KCAL")) extra["ENERC_KCAL"] = {2050};
    return Row(Assess(extra, r), id).judgement;
  };
  // Vitamin A: EAR 500, RDA 700, UL 2700.
  EXPECT_EQ(judge("VITA_RAE", 499.9), Judgement::LikelyShort);
  EXPECT_EQ(judge("VITA_RAE", 500), Judgement::PossiblyShort);
  EXPECT_EQ(judge("VITA_RAE", 700), Judgement::Adequate);
  EXPECT_EQ(judge("VITA_RAE", 2700), Judgement::Adequate);
  EXPECT_EQ(judge("VITA_RAE", 2700.1), Judgement::PossiblyExcessive);
  // Salt less than 6.5 (above its EAR 1.5); fibre 18 or more.
  EXPECT_EQ(judge("NACL_EQ", 6.4), Judgement::Adequate);
  EXPECT_EQ(judge("NACL_EQ", 6.5), Judgement::OutsideGoal);
  EXPECT_EQ(judge("FIB", 18), Judgement::Adequate);
  EXPECT_EQ(judge("FIB", 17.9), Judgement::OutsideGoal);
  // Below an AI a shortfall cannot be judged; a goal outside it still counts.
  EXPECT_EQ(judge("VITD", 8.4), Judgement::NotJudged);
  EXPECT_EQ(judge("VITD", 8.5), Judgement::Adequate);
  EXPECT_EQ(judge("K", 1900), Judgement::OutsideGoal);  // AI 2000, goal 2600 or more
  EXPECT_EQ(judge("K", 2100), Judgement::OutsideGoal);
  EXPECT_EQ(judge("K", 2600), Judgement::Adequate);
  // Protein 20 %E is inside 13-20: 102.5 g × 4 of 2050 kcal.
  EXPECT_EQ(judge("PROT_E", 0, {{"PROT", {102.5}}}), Judgement::Adequate);
  EXPECT_EQ(judge("PROT_E", 0, {{"PROT", {103}}}), Judgement::OutsideGoal);
  // Energy within ±10 % of 2050 kcal.
  EXPECT_EQ(judge("ENERC_KCAL", 1845), Judgement::Adequate);
  EXPECT_EQ(judge("ENERC_KCAL", 1844), Judgement::PossiblyShort);
  EXPECT_EQ(judge("ENERC_KCAL", 2256), Judgement::PossiblyExcessive);
}

TEST(Assessment, SharesMarksAndMissingComponents) {
  const PersonReference r =
      ResolveReference(Person(Sex::Male, 18, 29, ReferenceChoice::Current), Sets());
  Intakes in{{"ENERC_KCAL", {2000}},         {"PROT", {75, true}},    {"FAT", {60}},
             {"CHOCDF", {270, false, true}}, {"ALC", {10}},           {"NE", {16}},
             {"FE", {8}}};
  const Assessment a = Assess(in, r);
  ASSERT_EQ(a.rows.size(), kAssessedNutrients.size());
  EXPECT_EQ(a.edition, r.edition);
  EXPECT_DOUBLE_EQ(*Row(a, "PROT_E").intake, 15);
  EXPECT_EQ(Row(a, "PROT_E").marks, "＊");
  EXPECT_DOUBLE_EQ(*Row(a, "FAT_E").intake, 27);
  EXPECT_DOUBLE_EQ(*Row(a, "CHO_E").intake, 57.5);  // alcohol counted with carbohydrate
  EXPECT_EQ(Row(a, "CHO_E").marks, "※");
  EXPECT_EQ(Row(a, "ENERC_KCAL").note, kEnergyNote);
  EXPECT_EQ(Row(a, "FAT").note, "脂質エネルギー比の行で評価します");  // not "no value"
  EXPECT_TRUE(Row(a, "NE").reference.rda.older);
  // A component the table lacks is not judged, and not shown as 0.
  const AssessmentRow& iodine = Row(a, "ID");
  EXPECT_FALSE(iodine.intake);
  EXPECT_EQ(iodine.judgement, Judgement::NotJudged);
  EXPECT_EQ(iodine.note, "食品成分表にこの成分がありません");
  // Chromium has no value at all for a toddler.
  Profile toddler = Person(Sex::Male, 2, 2, ReferenceChoice::Current);
  const Assessment young = Assess({{"CR", {5}}}, ResolveReference(toddler, Sets()));
  const AssessmentRow& cr = Row(young, "CR");
  EXPECT_EQ(cr.judgement, Judgement::NotJudged);
  EXPECT_EQ(cr.note, "この年齢区分には基準値がありません");

  // The mean of a period; a component one day lacks is marked.
  const Intakes mean = MeanDailyIntakes({{{"FE", {6}}, {"CA", {500}}}, {{"FE", {9, true}}}});
  EXPECT_DOUBLE_EQ(mean.at("FE").value, 7.5);
  EXPECT_TRUE(mean.at("FE").estimated);
  EXPECT_FALSE(mean.at("FE").incomplete);
  EXPECT_DOUBLE_EQ(mean.at("CA").value, 250);
  EXPECT_TRUE(mean.at("CA").incomplete);
}

TEST(Assessment, SchoolLunchBandAndUserTargetSet) {
  const PersonReference lunch =
      ResolveReference(Person(Sex::Male, 9, 9, ReferenceChoice::SchoolLunch), Sets());
  EXPECT_EQ(Value(Of(lunch, "ENERC_KCAL").target), 650);
  Intakes in{{"ENERC_KCAL", {600}}, {"PROT", {24}}, {"NACL_EQ", {2}},
             {"FIB", {4.5}},        {"CA", {349}},  {"ZN", {1}}, {"VITD", {1}}};
  const Assessment a = Assess(in, lunch);
  EXPECT_EQ(Row(a, "ENERC_KCAL").judgement, Judgement::Adequate);  // within 10 % of 650
  EXPECT_EQ(Row(a, "PROT_E").judgement, Judgement::Adequate);      // 16 %E of 13-20
  EXPECT_EQ(Row(a, "NACL_EQ").judgement, Judgement::OutsideGoal);  // less than 2
  EXPECT_EQ(Row(a, "FIB").judgement, Judgement::Adequate);         // 4.5 or more
  EXPECT_EQ(Row(a, "CA").judgement, Judgement::PossiblyShort);     // standard 350
  EXPECT_EQ(Row(a, "ZN").judgement, Judgement::NotJudged);         // to be considered
  EXPECT_EQ(Row(a, "VITD").note, "学校給食摂取基準にない成分です");
  EXPECT_NE(a.edition.find("学校給食実施基準"), std::string::npos);
  EXPECT_TRUE(Of(ResolveReference(Person(Sex::Male, 16, 16, ReferenceChoice::SchoolLunch),
                                  Sets()), "CA").Empty());

  // A user's own set judges like any reference.
  PersonReference mine;
  mine.kind = PersonReference::Kind::TargetSet;
  mine.edition = "自分の目標";
  mine.noValueReason = "目標値が設定されていません";
  mine.nutrients["ENERC_KCAL"].target = {1800};
  mine.nutrients["PROT"].rda = {60};
  mine.nutrients["NACL_EQ"].dgUpper = {6};
  mine.nutrients["NACL_EQ"].dgUpperExclusive = true;
  const Assessment own = Assess({{"ENERC_KCAL", {2100}}, {"PROT", {55}}, {"NACL_EQ", {5.9}},
                                 {"CA", {600}}}, mine);
  EXPECT_EQ(Row(own, "ENERC_KCAL").judgement, Judgement::PossiblyExcessive);
  EXPECT_EQ(Row(own, "PROT").judgement, Judgement::PossiblyShort);
  EXPECT_EQ(Row(own, "NACL_EQ").judgement, Judgement::Adequate);
  EXPECT_EQ(Row(own, "CA").note, "目標値が設定されていません");
  EXPECT_EQ(own.edition, "自分の目標");
}

TEST(Profile, TextFormRoundTripsAndRefusesBadText) {
  Profile p = Person(Sex::Female, 75, kOpenEnd, ReferenceChoice::Edition2020);
  p.activity = 1;
  p.menstruation = false;
  p.targetSet = "減塩;目標=1";
  const std::string text = ProfileText(p);
  EXPECT_EQ(text.find_first_of("\x80;=", text.find("set=") + 4), std::string::npos) << text;
  EXPECT_EQ(ParseProfile(text), p);
  Profile baby;
  baby.sex = Sex::Male;
  baby.age = {PeriodClass::Months, 6, 8};
  EXPECT_EQ(ProfileText(baby), "sex=M;months=6-8;pal=2;ref=current");
  EXPECT_EQ(ParseProfile("ref=lunch;age=9;sex=M")->age.from, 9);
  const Profile late = *ParseProfile("sex=F;age=30-49;pal=2;stage=late;ref=current");
  EXPECT_EQ(late.stage, LifeStage::PregnancyLate);
  EXPECT_FALSE(Menstruating(late));

  for (const char* bad : {"", "sex=F", "sex=F;age=30;age=31", "sex=X;age=30", "sex=F;age=49-30",
                          "sex=F;age=0", "sex=F;months=12", "sex=F;age=30;pal=4",
                          "sex=M;age=30;stage=early", "sex=F;months=3;stage=late",
                          "sex=M;age=30;menses=1", "sex=F;age=30;stage=mid;menses=0",
                          "sex=F;age=30;set=%ZZ", "sex=F;age=30;set=", "sex=F;age=30;colour=red",
                          "sex=F;age=30;ref=2015", "sex=F;age= 30"})
    EXPECT_FALSE(ParseProfile(bad)) << bad;
}

// A small pair of files: one reference row and one energy row.
const std::string kIntakes =
    "# 試験用\n"
    "name\tsex\tperiod_class\tperiods\tperiode\tEAR\tRDA\tAI\tUL\tunit\tDG_min\tDG_max\tDG_unit\n"
    "CA\t1\ty\t30\t49\t550\t650\t\t2500\tmg/day\t\t\t\n";
const std::string kEnergy =
    "# 試験用\nsex\tperiod_class\tperiods\tperiode\tpal1\tpal2\tpal3\tunit\r\n"
    "f\ty\t30\t49\t1750\t2050\t2350\tkcal/day\r\n";

std::string Refusal(const std::string& intakes, const std::string& energy = kEnergy) {
  try {
    ReferenceSet::Read(intakes, "I.TSV", energy, "E.TSV");
  } catch (const ReferenceDataError& e) {
    return e.what();
  }
  return "";
}

TEST(ReferenceSets, BadLinesAreRefusedNamingFileAndLine) {
  EXPECT_EQ(Refusal(kIntakes), "");
  auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
  };
  EXPECT_EQ(Refusal(replaced(kIntakes, "650", "6,5")),
            "I.TSVの3行目を読み込めません（数値でない値「6,5」があります）。");
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"650", "1e3"}, {"650", "inf"}, {"650", "-650"}, {"650", "+100"}, {"650", "6.5.0"},
           {"650", ".65"}, {"550", "700"}, {"mg/day\t", "ug/day\t"}, {"\t1\t", "\t2\t"},
           {"y\t30", "m\t30"}, {"\t2500", "\t2500\t"}, {"\t49\t", "\t29\t"}, {"CA", "ca"}}) {
    const std::string message = Refusal(replaced(kIntakes, from, to));
    EXPECT_EQ(message.rfind("I.TSVの3行目を読み込めません（", 0), 0u) << from << " → " << to;
  }
  EXPECT_NE(Refusal(kIntakes + kIntakes.substr(kIntakes.rfind("CA"))).find("4行目"),
            std::string::npos);  // the same class twice
  EXPECT_NE(Refusal(kIntakes.substr(kIntakes.find('\n') + 1)).find("1行目"), std::string::npos);
  EXPECT_NE(Refusal(replaced(kIntakes, "DG_unit", "DG")).find("2行目"), std::string::npos);
  EXPECT_EQ(Refusal(kIntakes, replaced(kEnergy, "2350", "")),
            "E.TSVの3行目を読み込めません（空の値があります（値がなければ -））。");
  EXPECT_NE(Refusal(kIntakes, replaced(kEnergy, "2350", "+50")).find("E.TSVの3行目"),
            std::string::npos);
  EXPECT_THROW(SchoolLunchStandard::Read("# s\nname\tunit\tkind\t6-7\nPROT\tg\trange\t13-20\n", "L"),
               ReferenceDataError);
}

class ReferenceSetFiles : public eiyou::testing::ScratchDirTest {};

TEST_F(ReferenceSetFiles, TheDataFolderCopyReplacesTheBuiltInOneFileByFile) {
  EXPECT_EQ(LoadReferenceSets().edition2020.rows().size(), Sets().edition2020.rows().size());
  std::filesystem::create_directory(Path(kReferenceSetDirName));
  WriteBytes(std::string(kReferenceSetDirName) + "/" + kIntakes2020FileName, kIntakes);
  const ReferenceSets sets = LoadReferenceSets();
  EXPECT_EQ(sets.edition2020.source(), "試験用");
  EXPECT_EQ(sets.edition2020.rows().size(), 1u);
  EXPECT_EQ(sets.edition2025.rows().size(), Sets().edition2025.rows().size());
  WriteBytes(std::string(kReferenceSetDirName) + "/" + kIntakes2020FileName, kIntakes + "x\n");
  EXPECT_THROW(LoadReferenceSets(), ReferenceDataError);
}

}  // namespace
