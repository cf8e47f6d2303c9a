// Newer bundled data reaching a folder of an older release: the offer, the
// update through the import path, 後で, and a failure that leaves the folder
// as it was. The old folder is the bundled data stripped back: its table
// lacks a food (so every saved dish points one line off), without components,
// one reference file of an older release, one edited by the user, one missing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>

#include "import/data_update.h"
#include "import_test_support.h"
#include "tables/data_dir.h"
#include "tables/dish_file.h"
#include "tables/file_io.h"
#include "tables/food_components.h"
#include "tables/food_edition.h"
#include "tables/food_marks.h"
#include "tables/food_table.h"

namespace eiyou {
namespace {

using testing::ScratchFolder;
namespace fs = std::filesystem;

const std::string kSets = "食事摂取基準/";
const std::string k2020 = kSets + "食事摂取基準2020.TSV";
const std::string kEnergy = kSets + "エネルギー必要量2020.TSV";
const std::string kLunch = kSets + "学校給食摂取基準2021.TSV";
const std::string kDishes = std::string(kDishDirName) + "/" + kDishFileName;

// Drops the second line of a CR LF file.
std::string WithoutLine2(const std::string& bytes) {
  const std::size_t first = bytes.find("\r\n") + 2;
  return bytes.substr(0, first) + bytes.substr(bytes.find("\r\n", first) + 2);
}

struct Folders {
  ScratchFolder shipped, old;
  std::string oldTable, older2020, edited;

  Folders() {
    fs::copy(EIYOU_SAMPLE_DATA, shipped.path(), fs::copy_options::recursive);
    fs::copy(EIYOU_SAMPLE_DATA, old.path(), fs::copy_options::recursive);
    oldTable = WithoutLine2(ReadWholeFile(shipped / kFoodFileName));
    EXPECT_TRUE(ReplaceFileContents(old / kFoodFileName, oldTable));
    EXPECT_TRUE(ReplaceFileContents(old / kFoodMarksFileName,
                                    WithoutLine2(ReadWholeFile(shipped / kFoodMarksFileName))));
    // The dishes as the older table numbered them: every row past the first one lower.
    std::string dishes = ReadWholeFile(shipped / kDishes), shifted;
    const std::regex row(R"(\[(\d+)\])");
    std::sregex_iterator it(dishes.begin(), dishes.end(), row), end;
    std::size_t at = 0;
    for (; it != end; ++it) {
      const int r = std::stoi((*it)[1]);
      EXPECT_NE(r, 2);
      shifted += dishes.substr(at, it->position() - at) + "[" + std::to_string(r > 2 ? r - 1 : r) + "]";
      at = it->position() + it->length();
    }
    EXPECT_TRUE(ReplaceFileContents(old / kDishes, shifted + dishes.substr(at)));
    for (const char* gone : {kFoodComponentsFileName, kFoodEditionFileName, kDataEditionFileName})
      fs::remove(old / gone);
    fs::remove(old / kLunch);
    older2020 = "# older\n" + ReadWholeFile(shipped / k2020);
    EXPECT_TRUE(ReplaceFileContents(old / k2020, older2020));
    edited = ReadWholeFile(shipped / kEnergy) + "\n";
    EXPECT_TRUE(ReplaceFileContents(old / kEnergy, edited));
    // The shipped record knows the older table and 2020 file as its own.
    std::string record = ReadWholeFile(shipped / kDataEditionFileName);
    for (const auto& [name, bytes] : {std::pair{std::string(kFoodFileName), oldTable}, {k2020, older2020}}) {
      const std::size_t line = record.find(name + "\t");
      record.insert(record.find('\n', line), "\t" + Sha256Hex(bytes));
    }
    EXPECT_TRUE(ReplaceFileContents(shipped / kDataEditionFileName, record));
  }
  std::string Shipped(const std::string& name) const { return ReadWholeFile(shipped / name); }
  std::string Old(const std::string& name) const { return ReadWholeFile(old / name); }
};

FileUpdate Planned(const DataUpdatePlan& plan, const std::string& name) {
  for (const auto& [file, update] : plan.files)
    if (file == name) return update;
  return FileUpdate::Current;
}

// The bundled record names this release's files as they stand: a file
// changed without running scripts/make_data_edition.py would never reach an
// installed folder.
TEST(DataUpdate, TheBundledRecordNamesTheBundledFiles) {
  const std::optional<DataEdition> e =
      ParseDataEdition(ReadWholeFile(std::string(EIYOU_SAMPLE_DATA) + "/" + kDataEditionFileName));
  ASSERT_TRUE(e);
  ASSERT_EQ(e->files.size(), 6u);
  for (const DataEdition::File& f : e->files)
    EXPECT_EQ(f.hashes.front(), Sha256Hex(ReadWholeFile(std::string(EIYOU_SAMPLE_DATA) + "/" + f.name)))
        << f.name;
  EXPECT_TRUE(ReleaseBefore("2026-06", "2026-12"));
  EXPECT_TRUE(ReleaseBefore("2026-12", "2026-12-2"));
  EXPECT_FALSE(ReleaseBefore("2026-12-10", "2026-12-2"));
  EXPECT_FALSE(ParseDataEdition("EIYOU-DATA\t1\t2026-12\tx\n../STD.CSV\t" + std::string(64, 'a') + "\n"));
}

TEST(DataUpdate, AnOldFolderIsOfferedItAndAcceptingBringsItThroughTheImport) {
  Folders f;
  const std::optional<DataUpdatePlan> plan = DataUpdateDue(f.old.path(), f.shipped.path());
  ASSERT_TRUE(plan);
  EXPECT_EQ(Planned(*plan, kFoodFileName), FileUpdate::Replace);
  EXPECT_EQ(Planned(*plan, k2020), FileUpdate::Replace);
  EXPECT_EQ(Planned(*plan, kLunch), FileUpdate::Add);
  EXPECT_EQ(Planned(*plan, kEnergy), FileUpdate::Keep);

  const DataUpdateResult r = UpdateDataFolder(f.old.path(), f.shipped.path(), *plan, 1700000000);
  ASSERT_TRUE(r.ok) << r.error;
  for (const std::string& name : {std::string(kFoodFileName), std::string(kFoodMarksFileName),
                                  std::string(kFoodComponentsFileName), std::string(kFoodEditionFileName),
                                  k2020, kLunch, std::string(kDataEditionFileName)})
    EXPECT_EQ(f.Old(name), f.Shipped(name)) << name;
  // The saved dishes follow their foods back to the bundled lines.
  EXPECT_EQ(f.Old(kDishes), f.Shipped(kDishes));
  EXPECT_EQ(ReadWholeFile(r.table.backupPath), f.oldTable);
  EXPECT_EQ(f.Old(kEnergy), f.edited);  // the user's edit stays
  bool backup2020 = false;
  for (const auto& entry : fs::directory_iterator(f.old / kSets))
    backup2020 = backup2020 || (entry.path().filename().string().ends_with(".bak") &&
                                ReadWholeFile(entry.path()) == f.older2020);
  EXPECT_TRUE(backup2020);
  EXPECT_NE(r.lines.front().find("食品成分表（八訂）増補2023年"), std::string::npos);
  // Up to date: no offer.
  EXPECT_FALSE(DataUpdateDue(f.old.path(), f.shipped.path()));
}

// A folder holding this release's table but none of the components file
// that came with it gets the file through the import.
TEST(DataUpdate, TheBundledTableWithoutItsComponentsGetsThem) {
  Folders f;
  for (const char* name : {kFoodFileName, kFoodMarksFileName, kFoodEditionFileName})
    ASSERT_TRUE(ReplaceFileContents(f.old / name, f.Shipped(name)));
  ASSERT_FALSE(EntryExists(f.old / kFoodComponentsFileName));
  const std::optional<DataUpdatePlan> plan = DataUpdateDue(f.old.path(), f.shipped.path());
  ASSERT_TRUE(plan);
  EXPECT_EQ(Planned(*plan, kFoodFileName), FileUpdate::Replace);
  const DataUpdateResult r = UpdateDataFolder(f.old.path(), f.shipped.path(), *plan, 1700000000);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(f.Old(kFoodComponentsFileName), f.Shipped(kFoodComponentsFileName));
  EXPECT_EQ(f.Old(kFoodFileName), f.Shipped(kFoodFileName));
}

TEST(DataUpdate, LaterIsRememberedForThatReleaseOnly) {
  Folders f;
  const std::optional<DataUpdatePlan> plan = DataUpdateDue(f.old.path(), f.shipped.path());
  ASSERT_TRUE(plan);
  ASSERT_TRUE(PostponeDataUpdate(f.old.path(), *plan));
  EXPECT_FALSE(DataUpdateDue(f.old.path(), f.shipped.path()));
  EXPECT_EQ(f.Old(kFoodFileName), f.oldTable);
  // A newer release asks again.
  std::string record = f.Shipped(kDataEditionFileName);
  record.replace(record.find(plan->release), plan->release.size(), "2099-01");
  ASSERT_TRUE(ReplaceFileContents(f.shipped / kDataEditionFileName, record));
  EXPECT_TRUE(DataUpdateDue(f.old.path(), f.shipped.path()));
}

// The dish file cannot be written: the table install puts its files back, and
// the update the reference files it had replaced or added.
TEST(DataUpdate, AFailingInstallLeavesTheFolderAsItWas) {
  Folders f;
  const std::optional<DataUpdatePlan> plan = DataUpdateDue(f.old.path(), f.shipped.path());
  ASSERT_TRUE(plan);
  const std::string dishes = f.Old(kDishes);
  ASSERT_EQ(chmod((f.old / kDishDirName).c_str(), 0555), 0);  // refused even to root
  const DataUpdateResult r = UpdateDataFolder(f.old.path(), f.shipped.path(), *plan, 1700000000);
  chmod((f.old / kDishDirName).c_str(), 0755);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("元に戻しました"), std::string::npos) << r.error;
  EXPECT_EQ(f.Old(kFoodFileName), f.oldTable);
  EXPECT_FALSE(EntryExists(f.old / kFoodComponentsFileName));
  EXPECT_EQ(f.Old(k2020), f.older2020);
  EXPECT_FALSE(EntryExists(f.old / kLunch));
  EXPECT_EQ(f.Old(kDishes), dishes);
  EXPECT_FALSE(EntryExists(f.old / kDataEditionFileName));
  EXPECT_TRUE(DataUpdateDue(f.old.path(), f.shipped.path()));  // offered again
}

}  // namespace
}  // namespace eiyou
