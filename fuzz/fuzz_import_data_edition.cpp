// The record of a data folder's release (DATA.EDITION) over arbitrary bytes:
// the update replaces the files it names, so what it reads must stay inside
// the folder.
//
// Properties: every file named is relative, without "..", and every hash is
// 64 lower-case hex digits; the release is digits and dashes and comes
// before no release equal to it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "import/data_update.h"

using namespace eiyou;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<DataEdition> record = ParseDataEdition(bytes);
  if (!record) return 0;
  FUZZ_CHECK(!record->release.empty());
  FUZZ_CHECK(record->release.find_first_not_of("0123456789-") == std::string::npos);
  FUZZ_CHECK(!ReleaseBefore(record->release, record->release));
  for (const DataEdition::File& file : record->files) {
    FUZZ_CHECK(!file.name.empty() && file.name.front() != '/');
    FUZZ_CHECK(file.name.find("..") == std::string::npos);
    for (const std::string& hash : file.hashes)
      FUZZ_CHECK(hash.size() == 64 && hash.find_first_not_of("0123456789abcdef") == std::string::npos);
  }
  return 0;
}
