#include "tables/food_edition.h"

#include <sys/stat.h>

#include <charconv>

#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/file_io.h"

namespace eiyou {

bool IsEditionText(std::string_view cp932) {
  if (cp932.empty() || cp932.size() > kMaxEditionBytes) return false;
  for (char c : cp932)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  std::string back;
  return Utf8ToCp932(Cp932ToUtf8(cp932), back) && back == cp932;
}

std::string FoodEditionBytes(std::string_view edition, std::uintmax_t tableBytes) {
  char size[24];
  const auto end = std::to_chars(size, size + sizeof size, tableBytes).ptr;
  return std::string(size, end) + "\t" + std::string(edition) + "\r\n";
}

std::string ReadFoodEdition(std::string_view bytes, std::uintmax_t tableBytes) {
  if (bytes.size() < 2 || bytes.substr(bytes.size() - 2) != "\r\n") return {};
  bytes.remove_suffix(2);
  const std::size_t tab = bytes.find('\t');
  if (tab == std::string_view::npos || tab == 0) return {};
  std::uintmax_t size = 0;
  const auto [end, ec] = std::from_chars(bytes.data(), bytes.data() + tab, size);
  const std::string_view edition = bytes.substr(tab + 1);
  if (ec != std::errc() || end != bytes.data() + tab || size != tableBytes ||
      !IsEditionText(edition))
    return {};
  return std::string(edition);
}

std::string LoadFoodEdition() {
  const std::string directory = DataDirectory();
  const std::string path = JoinPath(directory, kFoodEditionFileName);
  struct stat table, record;
  if (stat(JoinPath(directory, kFoodFileName).c_str(), &table) != 0 ||
      stat(path.c_str(), &record) != 0 || !S_ISREG(record.st_mode) ||
      record.st_size > static_cast<off_t>(kMaxEditionBytes + 32))
    return {};
  try {
    return ReadFoodEdition(ReadWholeFile(path), static_cast<std::uintmax_t>(table.st_size));
  } catch (const IoError&) {
    return {};
  }
}

}  // namespace eiyou
