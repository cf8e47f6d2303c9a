#include "reports/xlsx_support.h"

#include <xlsxwriter.h>
#include <zip.h>

#include <charconv>
#include <cstdio>
#include <vector>

namespace eiyou {

namespace {

// Every <v> number of a sheet in the shortest form that reads back as the
// same double. libxlsxwriter writes "%.16G", which gives 86.9 as
// 86.90000000000001; the shortest form of a number read from the window's
// text is that text again.
std::string ShortestNumbers(const std::string& xml) {
  std::string out;
  out.reserve(xml.size());
  std::size_t at = 0;
  for (std::size_t open; (open = xml.find("<v>", at)) != std::string::npos;) {
    const std::size_t begin = open + 3, end = xml.find("</v>", begin);
    if (end == std::string::npos) break;
    out.append(xml, at, begin - at);
    const char* first = xml.data() + begin;
    const char* last = xml.data() + end;
    double value = 0;
    const auto read = std::from_chars(first, last, value);
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (read.ec == std::errc() && read.ptr == last && written.ec == std::errc())
      out.append(buffer, written.ptr);
    else
      out.append(first, last);
    at = end;
  }
  out.append(xml, at, std::string::npos);
  return out;
}

// Rewrites the numbers of the workbook's sheets 1..`sheets` in place (libzip
// writes the archive anew and renames it over the old one).
bool ShortenSheetNumbers(const std::string& path, int sheets) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), 0, &error);
  if (!archive) return false;
  // Kept alive until zip_close has written them.
  std::vector<std::string> shortened;
  shortened.reserve(static_cast<std::size_t>(sheets));
  for (int sheet = 1; sheet <= sheets; ++sheet) {
    const std::string name = "xl/worksheets/sheet" + std::to_string(sheet) + ".xml";
    std::string xml;
    const zip_int64_t index = zip_name_locate(archive, name.c_str(), 0);
    zip_file_t* entry =
        index < 0 ? nullptr : zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
    if (!entry) {
      zip_discard(archive);
      return false;
    }
    char buffer[16384];
    zip_int64_t n;
    while ((n = zip_fread(entry, buffer, sizeof buffer)) > 0) xml.append(buffer, static_cast<std::size_t>(n));
    zip_fclose(entry);
    if (n < 0) {
      zip_discard(archive);
      return false;
    }
    const std::string& bytes = shortened.emplace_back(ShortestNumbers(xml));
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    if (!source || zip_file_replace(archive, static_cast<zip_uint64_t>(index), source, 0) < 0) {
      zip_source_free(source);
      zip_discard(archive);
      return false;
    }
  }
  if (zip_close(archive) != 0) {
    zip_discard(archive);
    return false;
  }
  return true;
}

}  // namespace

bool FinishWorkbook(lxw_workbook* book, const std::string& temp, const std::string& path, int sheets) {
  if (workbook_close(book) != LXW_NO_ERROR || !ShortenSheetNumbers(temp, sheets) ||
      std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace eiyou
