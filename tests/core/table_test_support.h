// Shared fixtures of the table layer tests: a scratch working directory and a
// message sink that records what the user would have been shown.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tables/errors.h"

namespace eiyou::testing {

class RecordingSink : public MessageSink {
 public:
  void Show(const std::string& utf8Text) override { messages.push_back(utf8Text); }
  std::vector<std::string> messages;
};

// Runs each test with a fresh, empty working directory and restores the old one.
class ScratchDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char* old = getcwd(nullptr, 0);
    ASSERT_NE(old, nullptr);
    oldCwd_ = old;
    std::free(old);
    std::string pattern = (std::filesystem::temp_directory_path() / "eiyou-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    char* real = realpath(pattern.c_str(), nullptr);
    ASSERT_NE(real, nullptr);
    dir_ = real;
    std::free(real);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
  }
  void TearDown() override {
    ASSERT_EQ(chdir(oldCwd_.c_str()), 0);
    std::error_code ec;
    // Give back write permission so that everything can be removed.
    for (auto& entry : std::filesystem::recursive_directory_iterator(dir_, ec)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir_, ec);
  }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  void WriteBytes(const std::string& name, const std::string& bytes) const {
    std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good());
  }

  std::string ReadBytes(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string dir_;
  std::string oldCwd_;
};

}  // namespace eiyou::testing
