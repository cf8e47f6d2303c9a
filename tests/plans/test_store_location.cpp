#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "plan_test_support.h"
#include "plans/store_location.h"
#include "tables/file_io.h"

namespace eiyou {
namespace {

TEST(StoreLocationTest, SettingsAreReadAsWrittenAndBadOnesAreRefusedWithTheirLine) {
  PgSettings read;
  std::string error;
  ASSERT_TRUE(ParseServerSettings("# 共有\nhost=db1  port = 5433\ndbname='献立 共有' user=sato\n",
                                  read, error))
      << error;
  EXPECT_EQ(read.host, "db1");
  EXPECT_EQ(read.port, 5433);
  EXPECT_EQ(read.dbname, "献立 共有");
  EXPECT_EQ(read.user, "sato");

  PgSettings odd;
  odd.host = "/var/run/postgresql";
  odd.dbname = "it's \\ here";
  odd.service = "kitchen";
  PgSettings again;
  ASSERT_TRUE(ParseServerSettings(WrittenServerSettings(odd), again, error)) << error;
  EXPECT_EQ(again.host, odd.host);
  EXPECT_EQ(again.dbname, odd.dbname);
  EXPECT_EQ(again.service, odd.service);

  for (const char* bad : {"host=a\nport=70000", "host=a\npassword=secret", "host=a\nhots=b",
                          "host=a\ndbname='open", "user=sato", "host"}) {
    PgSettings kept = read;
    error.clear();
    EXPECT_FALSE(ParseServerSettings(bad, kept, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
    EXPECT_EQ(kept.host, "db1") << "a refused text changes nothing: " << bad;
  }
  ParseServerSettings("host=a\n\npassword=x", read, error);
  EXPECT_EQ(error.rfind("3行目", 0), 0u) << error;
}

using StoreLocationFolderTest = testing::PlanTest;

TEST_F(StoreLocationFolderTest, EnvironmentWinsOverTheFolderAndTheFolderFileIsReplacedWhole) {
  unsetenv(kServerEnvironmentName);
  EXPECT_FALSE(ReadStoreLocation(dir_).server);

  PgSettings settings;
  settings.host = "db1";
  settings.dbname = "kondate";
  settings.password = "never written";
  std::string error;
  ASSERT_TRUE(WriteStoreLocation(dir_, &settings, error)) << error;
  const std::string file = dir_ + "/KONDATE/共有サーバー.TXT";
  EXPECT_EQ(ReadWholeFile(file).find("never"), std::string::npos);
  StoreLocation location = ReadStoreLocation(dir_);
  EXPECT_TRUE(location.server);
  EXPECT_EQ(location.settings.dbname, "kondate");
  EXPECT_EQ(location.from, file);

  setenv(kServerEnvironmentName, "file", 1);
  EXPECT_FALSE(ReadStoreLocation(dir_).server);
  setenv(kServerEnvironmentName, "host=db2 port=x", 1);
  location = ReadStoreLocation(dir_);
  EXPECT_TRUE(location.server) << "bad settings never fall back to the file";
  EXPECT_FALSE(location.error.empty());
  unsetenv(kServerEnvironmentName);

  ReplaceFileContents(file, "host=db1\nport=0\n");
  location = ReadStoreLocation(dir_);
  EXPECT_TRUE(location.server);
  EXPECT_NE(location.error.find("2行目"), std::string::npos) << location.error;

  ASSERT_TRUE(WriteStoreLocation(dir_, nullptr, error)) << error;
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(file)));
  EXPECT_FALSE(ReadStoreLocation(dir_).server);
}

}  // namespace
}  // namespace eiyou
