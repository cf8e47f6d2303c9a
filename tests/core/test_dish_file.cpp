#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

#include <filesystem>
#include <string>
#include <vector>

#include "program_copy.h"
#include "table_test_support.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "nutrition/dish_line.h"
#include "tables/dish_file.h"
#include "tables/file_io.h"
#include "tables/text_fields.h"

using namespace eiyou;
using eiyou::testing::ScratchDirTest;
using Lines = std::vector<std::string>;

namespace {

// "和      食", "汁 も の" and a dish with two foods, in CP932.
const std::string kWashoku = "\x98\x61      \x90\x48";
const std::string kShirumono = "\x8F\x60 \x82\xE0 \x82\xCC";
const Lines kDishes = {
    kWashoku + "," + kShirumono + ",\x96\xA1\x91\x58\x8F\x60,[1] 1001:a= 12.5g,[17]10001:b= 150g",
    kWashoku + "," + kShirumono + ",",  // no name, no foods: three fields
    ",,\x83\x5C\x81\x5B\x83\x58",       // a name holding a 0x5C trail byte
};

std::string Joined(const Lines& lines) {
  std::string bytes;
  for (const auto& line : lines) bytes += line + "\r\n";
  return bytes;
}

class DishFileTest : public ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    ASSERT_EQ(mkdir(Path("KONDATE").c_str(), 0755), 0);
  }
  std::string File() const { return DishFilePath(); }
  std::string FileBytes() const { return ReadBytes("KONDATE/献立.TXT"); }
  // Names in KONDATE other than the dish file (leftover temporary files).
  Lines Strays() const {
    Lines names;
    for (auto& e : std::filesystem::directory_iterator(Path("KONDATE"))) {
      if (e.path().filename() != "献立.TXT") names.push_back(e.path().filename().string());
    }
    return names;
  }
  void ExpectCreateFailure(const Lines& lines) {
    try {
      WriteDishFile(File(), lines);
      ADD_FAILURE() << "the write was reported as done";
    } catch (const IoError& e) {
      EXPECT_EQ(e.what(), "ﾌｧｲﾙ " + File() + " を作成できません。");
    }
  }
};

}  // namespace

TEST(SplitDishText, EveryLineEndAndTheNulByte) {
  struct Case {
    std::string bytes;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"\r\n", {""}},
      {"\n\n", {"", ""}},
      {std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
      {std::string("\0a\r\n", 4), {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitDishText(c.bytes), c.lines) << ::testing::PrintToString(c.bytes);
  }

  // Whether the NUL hides anything a save would drop.
  const std::pair<std::string, bool> hidden[] = {
      {"a\r\nb\r\n", false},
      {std::string("a\r\n\0", 5), false},
      {std::string("a\r\n\0\0\r\n\n", 8), false},
      {std::string("a\r\n\0b", 5), true},
      {std::string("\0\r\n,", 4), true},
  };
  for (const auto& [bytes, expected] : hidden) {
    bool textAfterNul = !expected;
    SplitDishText(bytes, &textAfterNul);
    EXPECT_EQ(textAfterNul, expected) << ::testing::PrintToString(bytes);
  }
}

TEST(SplitDishLine, CutsLikeTheWindowsReadThem) {
  auto parts = SplitDishLine("c,k,n,[1]a:b= 5g,[2]c:d= 1g");
  EXPECT_EQ(parts.cuisine, "c");
  EXPECT_EQ(parts.category, "k");
  EXPECT_EQ(parts.name, "n");
  EXPECT_TRUE(parts.hasFoods);
  EXPECT_EQ(parts.foods, "[1]a:b= 5g,[2]c:d= 1g");

  parts = SplitDishLine("c,k,n");  // a dish without foods
  EXPECT_EQ(parts.name, "n");
  EXPECT_FALSE(parts.hasFoods);

  parts = SplitDishLine("c,k");  // the second cut finds no comma: name lost too
  EXPECT_EQ(parts.cuisine, "c");
  EXPECT_EQ(parts.category, "");
  EXPECT_EQ(parts.name, "");

  parts = SplitDishLine("no comma");
  EXPECT_EQ(parts.cuisine + parts.category + parts.name, "");
  EXPECT_FALSE(parts.hasFoods);

  parts = SplitDishLine(",,,");  // a trailing comma gives one empty food
  EXPECT_TRUE(parts.hasFoods);
  EXPECT_EQ(SplitAtCommas(parts.foods), std::vector<std::string>{""});
  EXPECT_EQ(SplitAtCommas("a,,b"), (std::vector<std::string>{"a", "", "b"}));
}

TEST_F(DishFileTest, PathsFollowTheWorkingDirectory) {
  EXPECT_EQ(DishDirectoryPath(), dir_ + "/KONDATE");
  EXPECT_EQ(DishFilePath(), dir_ + "/KONDATE/献立.TXT");
  ASSERT_EQ(chdir("KONDATE"), 0);
  EXPECT_EQ(DishFilePath(), dir_ + "/KONDATE/KONDATE/献立.TXT");
}

TEST_F(DishFileTest, RoundTripIsByteExact) {
  WriteDishFile(File(), kDishes);
  EXPECT_EQ(FileBytes(), Joined(kDishes));  // CR LF after every line, no BOM
  EXPECT_EQ(ReadDishFile(File()), kDishes);
  EXPECT_TRUE(Strays().empty());

  // A shorter list replaces the whole file.
  WriteDishFile(File(), {kDishes[1]});
  EXPECT_EQ(FileBytes(), kDishes[1] + "\r\n");

  WriteDishFile(File(), {});
  EXPECT_EQ(FileBytes(), "");
  EXPECT_TRUE(EntryExists(File()));
  EXPECT_TRUE(ReadDishFile(File()).empty());
}

TEST_F(DishFileTest, LfAndUnterminatedFilesReadLikeCrLfOnes) {
  WriteBytes("KONDATE/献立.TXT", kDishes[0] + "\n" + kDishes[1] + "\n" + kDishes[2]);
  const Lines lines = ReadDishFile(File());
  EXPECT_EQ(lines, kDishes);
  WriteDishFile(File(), lines);
  EXPECT_EQ(FileBytes(), Joined(kDishes));
}

TEST_F(DishFileTest, UnreadableFileThrows) {
  ASSERT_EQ(mkdir(Path("KONDATE/献立.TXT").c_str(), 0755), 0);
  EXPECT_THROW(ReadDishFile(File()), IoError);
  ASSERT_EQ(rmdir(Path("KONDATE/献立.TXT").c_str()), 0);
  WriteBytes("KONDATE/献立.TXT", "a\r\n");
  ASSERT_EQ(chmod(File().c_str(), 0), 0);
  try {
    ReadDishFile(File());
    ADD_FAILURE() << "read";
  } catch (const IoError& e) {
    EXPECT_EQ(e.what(), "ﾌｧｲﾙ " + File() + " を読み込めません。");
  }
}

TEST_F(DishFileTest, ReadOnlyFileKeepsItsBytes) {
  WriteBytes("KONDATE/献立.TXT", "old\r\n");
  ASSERT_EQ(chmod(File().c_str(), 0444), 0);
  ExpectCreateFailure(kDishes);
  EXPECT_EQ(FileBytes(), "old\r\n");
  EXPECT_TRUE(Strays().empty());
}

TEST_F(DishFileTest, ReadOnlyDirectoryKeepsTheOldFile) {
  WriteBytes("KONDATE/献立.TXT", "old\r\n");
  ASSERT_EQ(chmod(Path("KONDATE").c_str(), 0555), 0);
  ExpectCreateFailure(kDishes);
  ASSERT_EQ(chmod(Path("KONDATE").c_str(), 0755), 0);
  EXPECT_EQ(FileBytes(), "old\r\n");
  EXPECT_TRUE(Strays().empty());
}

TEST_F(DishFileTest, MissingDirectoryOrADirectoryInTheWayFails) {
  ASSERT_EQ(rmdir(Path("KONDATE").c_str()), 0);
  ExpectCreateFailure(kDishes);
  EXPECT_FALSE(EntryExists(Path("KONDATE")));  // the directory is never created

  ASSERT_EQ(mkdir(Path("KONDATE").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path("KONDATE/献立.TXT").c_str(), 0755), 0);
  ExpectCreateFailure(kDishes);
  EXPECT_TRUE(DirectoryExists(File()));
  EXPECT_TRUE(Strays().empty());
}

TEST_F(DishFileTest, ReplacingKeepsPermissionsAndWritesThroughALink) {
  WriteBytes("KONDATE/real.txt", "old\r\n");
  ASSERT_EQ(chmod(Path("KONDATE/real.txt").c_str(), 0640), 0);
  ASSERT_EQ(symlink("real.txt", File().c_str()), 0);
  WriteDishFile(File(), kDishes);
  struct stat st;
  ASSERT_EQ(lstat(File().c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadBytes("KONDATE/real.txt"), Joined(kDishes));
  ASSERT_EQ(stat(Path("KONDATE/real.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(MergeDishLines, EachSidesAdditionsAndRemovalsAreKept) {
  // Since base: theirs dropped an "a", "c" and "f" and added "d"; ours dropped
  // "b" and "f" and added an "a" and "e".
  const Lines base = {"a", "a", "b", "c", "f"};
  const Lines theirs = {"a", "b", "d"};
  const Lines ours = {"e", "a", "a", "a", "c"};
  const DishMerge merge = MergeDishLines(base, ours, theirs);
  EXPECT_EQ(merge.lines, (Lines{"a", "a", "d", "e"}));
  EXPECT_EQ(merge.added, 1);
  EXPECT_EQ(merge.removed, 2);  // an "a" and "c"; "f" was gone from ours already
}

// Each copy opens the list, registers one dish and saves, again and again: a
// save that wrote back the list it opened with, or that let the other copy's
// save in between its reading the file and putting the new one in place,
// would lose the other's dishes.
TEST_F(DishFileTest, TwoCopiesSavingAtOnceLoseNoDish) {
  WriteDishFile(File(), kDishes);
  constexpr int kRounds = 25;
  const std::string rounds = std::to_string(kRounds);
  const pid_t a = eiyou::testing::StartCopy({"register", dir_, "和      食,汁 も の,a", rounds});
  const pid_t b = eiyou::testing::StartCopy({"register", dir_, "洋      食,汁 も の,b", rounds});
  ASSERT_EQ(eiyou::testing::WaitCopy(a), 0);
  ASSERT_EQ(eiyou::testing::WaitCopy(b), 0);
  Lines expected = kDishes;
  for (int i = 0; i < kRounds; ++i) {
    expected.push_back(Cp932("和      食,汁 も の,a") + std::to_string(i));
    expected.push_back(Cp932("洋      食,汁 も の,b") + std::to_string(i));
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(ReadDishFile(File()), expected);
}

// A save killed mid-write (here by a file-size limit) leaves its temporary
// file; a later start removes it once nothing can still be writing it, in the
// data folder and in KONDATE, and removes nothing that merely looks alike.
TEST_F(DishFileTest, TemporaryFilesOfKilledSavesAreSweptAndNothingElse) {
  WriteBytes("KONDATE/献立.TXT", "old\r\n");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit noCore{0, 0}, small{4096, 4096};
    setrlimit(RLIMIT_CORE, &noCore);
    setrlimit(RLIMIT_FSIZE, &small);
    ReplaceFileContents(File(), std::string(1 << 20, 'x'));
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
  const std::string killed = ".献立.TXT." + std::to_string(child) + ".0.tmp";
  ASSERT_EQ(Strays(), Lines{killed});
  EXPECT_EQ(FileBytes(), "old\r\n");

  const std::string dead = std::to_string(child);
  const std::string running = ".献立.TXT." + std::to_string(getpid()) + ".1.tmp";
  Lines kept = {"献立.TXT." + dead + ".0.tmp", ".献立.TXT.0" + dead + ".0.tmp",
                ".献立.TXT." + dead + ".100.tmp", "." + dead + ".0.tmp"};
  for (const std::string& name : kept) WriteBytes("KONDATE/" + name, "");
  WriteBytes("KONDATE/" + running, "");
  WriteBytes(".食品成分表５訂.CSV." + dead + ".0.tmp", "");

  const std::time_t now = std::time(nullptr);
  EXPECT_EQ(RemoveStaleTemporaryFilesOfDataFolder(dir_, now), 0);  // maybe still being written
  EXPECT_EQ(RemoveStaleTemporaryFilesOfDataFolder(dir_, now + 61), 2);
  EXPECT_TRUE(EntryExists(Path("KONDATE/" + running)));
  EXPECT_EQ(RemoveStaleTemporaryFilesOfDataFolder(dir_, now + 3601), 1);  // the pid may be reused
  Lines left = Strays();
  std::sort(left.begin(), left.end());
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(left, kept);
  EXPECT_FALSE(EntryExists(Path(".食品成分表５訂.CSV." + dead + ".0.tmp")));
}
