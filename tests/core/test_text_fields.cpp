#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>

#include "table_test_support.h"
#include "tables/table_lines.h"
#include "tables/text_fields.h"

using namespace eiyou;
using eiyou::testing::ScratchDirTest;

namespace {

std::string Commas(int n) { return std::string(static_cast<std::size_t>(n), ','); }

}  // namespace

TEST(SplitFields, AlwaysGivesNPlusOneFields) {
  for (int n : {0, 1, 19, 22}) {
    for (const char* line : {"", "a", "a,b,c", ",,,,,,,,,,,,,,,,,,,,,,,,,,,,,,"}) {
      EXPECT_EQ(SplitFields(line, n).size(), static_cast<std::size_t>(n) + 1) << n << " " << line;
    }
  }
  EXPECT_EQ(SplitFields("a,b", -3), std::vector<std::string>{"a,b"});
}

TEST(SplitFields, FewerCommasDropTheTextAfterTheLastComma) {
  auto fields = SplitFields("a,b,c", 22);
  EXPECT_EQ(fields[0], "a");
  EXPECT_EQ(fields[1], "b");
  for (int k = 2; k < 23; ++k) EXPECT_EQ(fields[k], "") << k;  // the c is lost

  // Ten commas: columns 1..10 are filled, 11..23 stay empty.
  std::string line;
  for (int k = 1; k <= 11; ++k) line += (k > 1 ? "," : "") + std::to_string(k);
  fields = SplitFields(line, 22);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(fields[k], std::to_string(k + 1));
  for (int k = 10; k < 23; ++k) EXPECT_EQ(fields[k], "") << k;
}

TEST(SplitFields, ExactAndExtraCommas) {
  std::string line;
  for (int k = 1; k <= 23; ++k) line += (k > 1 ? "," : "") + std::string("f") + std::to_string(k);
  auto fields = SplitFields(line, 22);
  for (int k = 0; k < 23; ++k) EXPECT_EQ(fields[k], "f" + std::to_string(k + 1));

  // 25 commas: the last field keeps the text after the 22nd comma, three commas included.
  fields = SplitFields(Commas(22) + "x,y,,z", 22);
  for (int k = 0; k < 22; ++k) EXPECT_EQ(fields[k], "");
  EXPECT_EQ(fields[22], "x,y,,z");

  // A trailing comma gives an empty last field.
  fields = SplitFields("a,", 1);
  EXPECT_EQ(fields, (std::vector<std::string>{"a", ""}));
}

TEST(SplitFields, NoTrimmingAndNoQuoting) {
  auto fields = SplitFields(" 12 ,\t\"a,b\",\x82\xA0", 3);
  EXPECT_EQ(fields[0], " 12 ");
  EXPECT_EQ(fields[1], "\t\"a");
  EXPECT_EQ(fields[2], "b\"");
  EXPECT_EQ(fields[3], "\x82\xA0");
  for (const auto& f : SplitFields(",,", 22)) EXPECT_EQ(f, "");
}

// The splitter reads blocks of 64 bytes, sixteen at a time, and a line's last
// bytes as the end of a block: commas on every side of a block edge, lines of
// several blocks, long fields and too few commas must cut exactly as a
// byte-wise reading.
TEST(SplitFields, BlockEdgesCutAsAByteWiseReading) {
  const auto byteWise = [](std::string_view line, int n) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < line.size() && int(fields.size()) < n; ++i)
      if (line[i] == ',') {
        fields.emplace_back(line.substr(start, i - start));
        start = i + 1;
      }
    if (int(fields.size()) == n) {
      fields.emplace_back(line.substr(start));
    } else {
      fields.resize(std::size_t(n) + 1);  // the rest and every later field empty
    }
    return fields;
  };
  unsigned seed = 12345;
  for (int round = 0; round < 3000; ++round) {
    seed = seed * 1103515245u + 12345u;
    const std::size_t length = (seed >> 8) % 200;
    std::string line;
    for (std::size_t i = 0; i < length; ++i) {
      seed = seed * 1103515245u + 12345u;
      const unsigned r = (seed >> 10) % 7;
      line += r == 0 ? ',' : r == 1 ? '\x82' : char('a' + r);
    }
    const int n = int((seed >> 20) % 60);
    ASSERT_EQ(SplitFields(line, n), byteWise(line, n)) << line << " n=" << n;
  }
}

TEST(CopyPart, RefusesCountsNotShorterThanTheText) {
  std::string dest = "old";
  CopyPart("abc", 1, 3, dest);
  EXPECT_EQ(dest, "old");  // the whole length is refused
  CopyPart("abc", 1, 4, dest);
  EXPECT_EQ(dest, "old");
  CopyPart("abc", 3, 2, dest);
  EXPECT_EQ(dest, "old");  // runs past the end
  CopyPart("abc", 2, 2, dest);
  EXPECT_EQ(dest, "bc");
  CopyPart("abc", 1, -1, dest);
  EXPECT_EQ(dest, "");
  dest = "old";
  CopyPart("abc", 4, 0, dest);
  EXPECT_EQ(dest, "");
  dest = "old";
  CopyPart("", 1, 0, dest);
  EXPECT_EQ(dest, "old");  // 0 is not less than the length 0
  CopyPart("", 1, -1, dest);
  EXPECT_EQ(dest, "");
}

TEST(CopyPart, ExtremeArgumentsNeitherOverflowNorReadOutside) {
  std::string dest = "old";
  CopyPart("abc", LLONG_MAX, 2, dest);
  EXPECT_EQ(dest, "old");
  CopyPart("abc", LLONG_MIN, 2, dest);
  EXPECT_EQ(dest, "old");  // would start before byte 1
  CopyPart("abc", 0, 2, dest);
  EXPECT_EQ(dest, "old");
  CopyPart("abc", LLONG_MAX, LLONG_MIN, dest);
  EXPECT_EQ(dest, "");
  dest = "old";
  CopyPart("abc", LLONG_MIN, LLONG_MIN, dest);
  EXPECT_EQ(dest, "");
}

TEST(LeftPart, OnlyStrictlyShorterPrefixes) {
  std::string dest = "old";
  LeftPart("12", 2, dest);
  EXPECT_EQ(dest, "old");
  LeftPart("12:", 2, dest);
  EXPECT_EQ(dest, "12");
  LeftPart("12:", LLONG_MAX, dest);
  EXPECT_EQ(dest, "12");
  LeftPart("12:", -5, dest);
  EXPECT_EQ(dest, "");
  dest = "old";
  LeftPart("", 0, dest);
  EXPECT_EQ(dest, "old");
  LeftPart("", LLONG_MIN, dest);
  EXPECT_EQ(dest, "");
}

using ReadTableLinesTest = ScratchDirTest;

TEST_F(ReadTableLinesTest, LineEnds) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},             // a final CR LF adds no line
      {"a\r\nb", {"a", "b"}},                 // a last line without an end
      {"a\rb\r", {"a", "b"}},                 // CR alone ends a line
      {"a\nb\nc\n", {"a\nb\nc\n"}},           // LF alone does not
      {"a\r\n\r\nb\r\n", {"a", "", "b"}},     // an empty line inside
      {"a\r\n\r\n", {"a", ""}},               // a blank line at the end
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\r\nb", {"a\n", "b"}},
      {"\r\n", {""}},
      {"a\r\nb\x1A" "c\r\nd\r\n", {"a", "b"}},  // 0x1A ends the file
      {"a\r\n\x1A\r\n", {"a"}},
      {"\x1A" "abc", {}},
      {std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
  };
  for (const Case& c : cases) {
    WriteBytes("t.csv", c.bytes);
    EXPECT_EQ(ReadTableLines(Path("t.csv")), c.lines) << ::testing::PrintToString(c.bytes);
  }
}

TEST_F(ReadTableLinesTest, LineLimitTellsWhetherMoreFollow) {
  bool more = true;
  WriteBytes("t.csv", "1\r\n2\r\n3\r\n");
  EXPECT_EQ(ReadTableLines(Path("t.csv"), 3, &more), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_FALSE(more);
  EXPECT_EQ(ReadTableLines(Path("t.csv"), 2, &more), (std::vector<std::string>{"1", "2"}));
  EXPECT_TRUE(more);
  WriteBytes("t.csv", "1\r\n2\r\n\r\n");  // a blank fourth line is a line
  ReadTableLines(Path("t.csv"), 2, &more);
  EXPECT_TRUE(more);
  WriteBytes("t.csv", "1\r\n2\r\n\x1A" "3\r\n");
  ReadTableLines(Path("t.csv"), 2, &more);
  EXPECT_FALSE(more);
}

TEST_F(ReadTableLinesTest, LongFileCrossesReadBuffers) {
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += "line" + std::to_string(i) + (i % 2 ? "\r" : "\r\n");
  WriteBytes("t.csv", bytes);
  auto lines = ReadTableLines(Path("t.csv"));
  ASSERT_EQ(lines.size(), 20000u);
  EXPECT_EQ(lines[0], "line0");
  EXPECT_EQ(lines[19999], "line19999");
}

TEST_F(ReadTableLinesTest, UnreadableEntriesThrowNamingThePath) {
  WriteBytes("locked.csv", "a\r\n");
  ASSERT_EQ(chmod(Path("locked.csv").c_str(), 0), 0);
  ASSERT_EQ(mkdir(Path("dir.csv").c_str(), 0755), 0);
  for (const char* name : {"locked.csv", "dir.csv", "missing.csv"}) {
    try {
      ReadTableLines(Path(name));
      ADD_FAILURE() << name << " was read";
    } catch (const IoError& e) {
      EXPECT_EQ(e.what(), "ﾌｧｲﾙ " + Path(name) + " を読み込めません。");
    }
  }
}
