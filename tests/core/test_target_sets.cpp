// Target sets: the CSV a user types or exports, its refusals naming the line,
// and a set judged by the assessment.
#include <gtest/gtest.h>

#include "nutrition/target_set_csv.h"
#include "tables/cp932.h"

using namespace eiyou;

namespace {

constexpr const char* kHeader = "栄養素,名称,項目,値,単位,性別,年齢区分\n";

TargetCsvRead Read(const std::string& body) { return ReadTargetSetCsv(kHeader + body); }

TEST(TargetSetCsv, WhatAUserTypesIsRead) {
  // CP932 from a spreadsheet: names for ids, Japanese kinds, µ typed as u,
  // the header's columns in another order and without 名称.
  const std::string cp932 = Cp932(
      "# 目標量セット:　 A病院 常食\r\n"  // spaces of both widths, found by fuzzing
      "値,項目,栄養素,単位,性別,年齢区分\r\n"
      "1800,給与目標量,エネルギー,kcal,,\r\n"
      "\" 6.5 \",目標量上限未満,食塩相当量,g,,\r\n"
      "10.5,推奨量,FE,mg,女,30～49歳\r\n"
      ",,,,,\r\n"
      "700,RDA,VITA_RAE,ugRAE,女性,75歳以上\r\n"
      "0.5,AI,VITB12,μg,男性,6-11か月\r\n");
  const TargetCsvRead r = ReadTargetSetCsv(cp932);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.set.name, "A病院 常食");
  ASSERT_EQ(r.set.values.size(), 5u);
  EXPECT_EQ(r.set.values[0].nutrient, "ENERC_KCAL");
  EXPECT_EQ(r.set.values[0].kind, TargetKind::Target);
  EXPECT_FALSE(r.set.values[0].group);
  EXPECT_EQ(r.set.values[1].value, 6.5);
  EXPECT_TRUE(r.set.values[1].exclusive);
  EXPECT_EQ(r.set.values[2].group, (TargetGroup{Sex::Female, {PeriodClass::Years, 30, 49}}));
  EXPECT_EQ(r.set.values[3].group, (TargetGroup{Sex::Female, {PeriodClass::Years, 75, kOpenEnd}}));
  EXPECT_EQ(r.set.values[4].group, (TargetGroup{Sex::Male, {PeriodClass::Months, 6, 11}}));
}

TEST(TargetSetCsv, ExportReadsBackAsTheSameSet) {
  TargetSet set{"減塩食, \"6g\",", "説明, 引用符 \" も", {}};  // a comma last, found by fuzzing
  set.values.push_back({"NACL_EQ", TargetKind::DgUpper, 6, true, std::nullopt});
  set.values.push_back({"FAT_E", TargetKind::DgLower, 20, false, std::nullopt});
  set.values.push_back({"VITD", TargetKind::Ai, 0.1 + 0.2, false,
                        TargetGroup{Sex::Male, {PeriodClass::Months, 0, 5}}});
  set.values.push_back({"THIA", TargetKind::Ear, 1e-7, false,
                        TargetGroup{Sex::Female, {PeriodClass::Years, 1, 2}}});
  const std::string csv = TargetSetCsv(set);
  EXPECT_TRUE(csv.starts_with("\xEF\xBB\xBF"));
  EXPECT_EQ(csv.find('e'), std::string::npos) << "no exponent: " << csv;
  const TargetCsvRead r = ReadTargetSetCsv(csv);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.set.name, set.name);
  EXPECT_EQ(r.set.description, set.description);
  ASSERT_EQ(r.set.values.size(), set.values.size());
  for (std::size_t i = 0; i < set.values.size(); ++i) {
    EXPECT_EQ(r.set.values[i].value, set.values[i].value) << i;  // exactly
    EXPECT_EQ(r.set.values[i].group, set.values[i].group) << i;
    EXPECT_EQ(r.set.values[i].exclusive, set.values[i].exclusive) << i;
  }
}

TEST(TargetSetCsv, DamagedOrHandEditedFilesAreRefusedNamingTheLine) {
  struct Case {
    std::string body;
    const char* place;  // the line (and column) the message names
    const char* says;
  };
  const Case cases[] = {
      {"NACL_EQ,,DG_max,6,5,g,,\n", "2 行目 5 列目", "カンマ"},    // a decimal comma splits the value
      {"NACL_EQ,,DG_max,\"6,5\",g,,\n", "2 行目 4 列目", "ピリオド"},  // quoted: read whole, still refused
      {"FAT,,RDA,1,g,,\nVITX,,RDA,1,mg,,\n", "3 行目 1 列目", "VITX"},
      {"FE,,推奨,10,mg,,\n", "2 行目 3 列目", "推奨"},
      {"FE,,RDA,-1,mg,,\n", "2 行目 4 列目", "0 以上"},
      {"FE,,RDA,0x10,mg,,\n", "2 行目 4 列目", "数値"},
      {"FE,,RDA,１０,mg,,\n", "2 行目 4 列目", "数値"},
      {"FE,,RDA,nan,mg,,\n", "2 行目 4 列目", "数値"},
      {"FE,,RDA,10,µg,,\n", "2 行目 5 列目", "mg"},
      {"FAT_E,,DG_max,30,%E,,\nFAT_E,,DG_min,35,%E,,\n", "3 行目", "超えて"},
      {"FE,,RDA,10,mg,女性,30-49歳\nFE,,RDA,11,mg,女性,40-64歳\n", "3 行目", "二度"},
      {"FE,,RDA,10,mg,女性,\n", "2 行目 7 列目", "両方"},
      {"FE,,RDA,10,mg,女性,3O歳\n", "2 行目 7 列目", "年齢区分"},
      {"FE,,RDA,10,mg,,\n\"FE,RDA\n", "3 行目", "引用符"},
      {"FE,,RDA,10,mg,,\nFE,,RDA,\xff\xfe,mg,,\n", "3 行目", "文字コード"},
  };
  for (const Case& c : cases) {
    const TargetCsvRead r = Read(c.body);
    EXPECT_FALSE(r.ok) << c.body;
    EXPECT_TRUE(r.set.values.empty());
    EXPECT_TRUE(r.error.starts_with(c.place)) << c.body << " → " << r.error;
    EXPECT_NE(r.error.find(c.says), std::string::npos) << c.body << " → " << r.error;
  }
  EXPECT_TRUE(ReadTargetSetCsv("栄養素,値\n").error.starts_with("1 行目")) << "no kind column";
  EXPECT_TRUE(ReadTargetSetCsv("栄養素,項目,値,メモ\n").error.starts_with("1 行目 4 列目"));
  EXPECT_FALSE(ReadTargetSetCsv("").ok);
}

// 「減塩食 6g」 for a woman of 30-49: salt below 6 g, energy 1800 kcal for
// everyone but 1600 for her class, iron RDA 10.5 mg, worked by hand.
TEST(TargetSetReference, ASetIsJudgedForTheProfile) {
  TargetSet set{"減塩食 6g", "", {}};
  set.values.push_back({"ENERC_KCAL", TargetKind::Target, 1600, false,
                        TargetGroup{Sex::Female, {PeriodClass::Years, 30, 49}}});
  set.values.push_back({"ENERC_KCAL", TargetKind::Target, 1800, false, std::nullopt});
  set.values.push_back({"NACL_EQ", TargetKind::DgUpper, 6, true, std::nullopt});
  set.values.push_back({"FE", TargetKind::Rda, 10.5, false,
                        TargetGroup{Sex::Female, {PeriodClass::Years, 18, 64}}});
  Profile woman;  // female 30-49
  woman.targetSet = set.name;
  const PersonReference ref = TargetSetReference(set, woman);
  EXPECT_EQ(ref.kind, PersonReference::Kind::TargetSet);
  EXPECT_EQ(ref.edition, "目標量セット「減塩食 6g」");

  auto judge = [&](const PersonReference& r, const Intakes& intakes, const char* id) {
    for (const AssessmentRow& row : Assess(intakes, r).rows)
      if (std::string_view(row.nutrient->id) == id) return row;
    return AssessmentRow{};
  };
  Intakes day = {{"ENERC_KCAL", {1650}}, {"NACL_EQ", {6.0}}, {"FE", {9.0}}, {"VITC", {80}}};
  EXPECT_EQ(judge(ref, day, "NACL_EQ").judgement, Judgement::OutsideGoal);  // 6 is not below 6
  day["NACL_EQ"].value = 5.9;
  EXPECT_EQ(judge(ref, day, "NACL_EQ").judgement, Judgement::Adequate);
  EXPECT_EQ(judge(ref, day, "ENERC_KCAL").judgement, Judgement::Adequate);  // 1600 ± 10 %
  EXPECT_EQ(judge(ref, day, "FE").judgement, Judgement::PossiblyShort);
  const AssessmentRow vitc = judge(ref, day, "VITC");
  EXPECT_EQ(vitc.judgement, Judgement::NotJudged);  // the set has no value for it
  EXPECT_EQ(vitc.note, ref.noValueReason);

  // A man of 30-49 gets the flat energy and no iron value.
  Profile man = woman;
  man.sex = Sex::Male;
  const PersonReference forMan = TargetSetReference(set, man);
  EXPECT_EQ(*forMan.nutrients.at("ENERC_KCAL").target.value, 1800);
  EXPECT_FALSE(forMan.nutrients.count("FE"));

  const PersonReference gone = MissingTargetSetReference("減塩食 6g");
  EXPECT_NE(judge(gone, day, "NACL_EQ").note.find("削除"), std::string::npos);
}

}  // namespace
