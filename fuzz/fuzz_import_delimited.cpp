// The importer over tab- or comma-separated text (UTF-8 or CP932), with the
// properties of fuzz_import_support.h. The seed excerpt.tsv holds three foods of
// 文部科学省「日本食品標準成分表（八訂）増補2023年」.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_import_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  eiyou::fuzz::CheckImport(eiyou::ImportFoodCompositionBytes(bytes, "table.tsv"));
  return 0;
}
