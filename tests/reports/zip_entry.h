// An entry of a zip archive (a workbook's sheet) as text, to read back what
// the report writers stored.
#pragma once

#include <zip.h>

#include <string>

inline std::string ZipEntry(const std::string& path, const char* name) {
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &err);
  if (!z) return "<not a zip>";
  std::string text;
  if (zip_file_t* f = zip_fopen(z, name, 0)) {
    char buffer[4096];
    zip_int64_t n;
    while ((n = zip_fread(f, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
    zip_fclose(f);
  }
  zip_close(z);
  return text;
}
