// Which food table a store's dish lines are pointed at. Saved dishes and days
// name their foods by the food's line in the table ("[row]number:name"), so
// lines written against one table read other foods against another. A single
// user's file follows the table beside it (the importer re-points both); a
// team's server records the table its lines are pointed at, and a program
// whose own table is another one reads but never writes there.
#pragma once

#include <string>
#include <string_view>

namespace eiyou {

// The SHA-256 of `bytes`, lower-case hex.
std::string Sha256Hex(std::string_view bytes);

struct FoodTableIdentity {
  // The SHA-256 of the table file's bytes: the same on every machine that
  // installed the same table, whatever its path or time. Empty: no table.
  std::string digest;
  // The edition its record names (UTF-8), for the messages; may be empty.
  std::string edition;
  bool operator==(const FoodTableIdentity& other) const { return digest == other.digest; }
};

// The table of these bytes, its edition record given as CP932.
FoodTableIdentity FoodTableIdentityOf(std::string_view tableBytes, std::string_view editionCp932);
// The table of `dataDir` (食品成分表５訂.CSV and its edition record); an empty
// digest when the table cannot be read.
FoodTableIdentity ReadFoodTableIdentity(const std::string& dataDir);

// What a user whose table is `local` is told when a server's dishes and days
// are pointed at `recorded` (UTF-8): what differs, what still works and what
// to do.
std::string OtherFoodTableMessage(const FoodTableIdentity& recorded, const FoodTableIdentity& local);

}  // namespace eiyou
