// The record beside the food table of the official edition it was made from,
// 食品成分表５訂.EDITION, written by the importer and read by the viewer for its
// title. One CP932 line, CR LF: "<size of the table file in bytes>\t<edition>".
// The size ties the record to the table it was written with, so a table put in
// place by hand (or edited to another size) never shows a stale edition.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace eiyou {

inline constexpr const char* kFoodEditionFileName = "食品成分表５訂.EDITION";

// What an edition may be: 1 to 100 bytes of CP932 text without control
// characters (a title, e.g. 食品成分表（八訂）増補2023年).
inline constexpr std::size_t kMaxEditionBytes = 100;
bool IsEditionText(std::string_view cp932);

// The record of `edition` (CP932, IsEditionText) for a table of `tableBytes`.
std::string FoodEditionBytes(std::string_view edition, std::uintmax_t tableBytes);

// The edition a record names when it belongs to a table of `tableBytes`; empty
// when it does not, or when it is not of the form.
std::string ReadFoodEdition(std::string_view bytes, std::uintmax_t tableBytes);

// The edition of the food table in the current data directory, read without a
// word: empty without a table, a record, or a record of this table.
std::string LoadFoodEdition();

}  // namespace eiyou
