// The importer over workbooks. An input whose first byte is even is the
// archive itself (the zip layer and the caps on parts). Otherwise the rest is
// cut at byte 0x01 into the sheet's XML, the shared strings' XML and, when
// given, xl/workbook.xml and its relationships, zipped here into a workbook
// whose 表全体 sheet is xl/worksheets/sheet1.xml: mutations then reach the XML
// and the rows rather than dying in the archive's checksums.
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_import_support.h"

namespace {

std::string Zip(const std::vector<std::pair<std::string, std::string>>& parts) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_source_keep(buffer);
  zip_t* zip = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
  FUZZ_CHECK(zip != nullptr);
  for (const auto& [name, bytes] : parts) {
    zip_source_t* data = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
    const zip_int64_t index = zip_file_add(zip, name.c_str(), data, 0);
    FUZZ_CHECK(index >= 0);
    zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
  }
  FUZZ_CHECK(zip_close(zip) == 0);
  zip_stat_t st;
  FUZZ_CHECK(zip_source_open(buffer) == 0 && zip_source_stat(buffer, &st) == 0);
  std::string out(st.size, '\0');
  FUZZ_CHECK(zip_source_read(buffer, out.data(), out.size()) == static_cast<zip_int64_t>(out.size()));
  zip_source_close(buffer);
  zip_source_free(buffer);
  zip_error_fini(&error);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string archive;
  if (data[0] % 2 == 0) {
    archive = std::string(input);
  } else {
    std::vector<std::string> pieces;
    for (;;) {
      const std::size_t cut = input.find('\x01');
      pieces.emplace_back(input.substr(0, cut));
      if (cut == std::string_view::npos) break;
      input.remove_prefix(cut + 1);
    }
    pieces.resize(std::max<std::size_t>(pieces.size(), 4));
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    if (pieces[2].empty())
      pieces[2] = "<workbook xmlns:r=\"" + rel + "\"><sheets><sheet name=\"表全体\" r:id=\"rId1\"/></sheets></workbook>";
    if (pieces[3].empty())
      pieces[3] = "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
                  "<Relationship Id=\"rId2\" Type=\"" + rel + "/sharedStrings\" Target=\"sharedStrings.xml\"/>"
                  "</Relationships>";
    archive = Zip({{"xl/workbook.xml", pieces[2]},
                   {"xl/_rels/workbook.xml.rels", pieces[3]},
                   {"xl/worksheets/sheet1.xml", pieces[0]},
                   {"xl/sharedStrings.xml", pieces[1]}});
  }
  eiyou::fuzz::CheckImport(eiyou::ImportFoodCompositionBytes(archive, "table.xlsx"));
  return 0;
}
