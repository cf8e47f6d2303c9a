// Helpers of the importer tests: the committed fixtures and a scratch folder.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tables/file_io.h"
#include "workbook_writer.h"

namespace eiyou::testing {

inline std::string Fixture(const std::string& name) {
  return ReadWholeFile(std::string(EIYOU_IMPORT_FIXTURES) + "/" + name);
}

inline fixtures::Records FixtureRecords() {
  return fixtures::ParseDelimited(Fixture("foods.tsv"));
}

class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/eiyou-import-test.XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~ScratchFolder() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace eiyou::testing
