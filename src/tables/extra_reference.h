// Reference values that STD.CSV has no field for, kept beside it in
// STD_EXTRA.CSV in the same style: CP932 (ASCII) text, one line per age class
// (１～２歳 .. 70歳以上), fields as male/female pairs:
//   1/2  salt equivalent g, the goal "less than" value
//   3/4  dietary fibre g, the goal "at least" value
// An empty field means the official tables give no value for that class.
#pragma once

#include <array>
#include <string>

namespace eiyou {

inline constexpr const char* kExtraReferenceFileName = "STD_EXTRA.CSV";

class ExtraReferenceTable {
 public:
  static constexpr int kRows = 11, kFields = 4;

  // row 1..11, field 1..4; anything else reads as an empty text.
  const std::string& Field(int row, int field) const;
  void SetField(int row, int field, std::string text);
  void Clear();

 private:
  std::array<std::array<std::string, kFields>, kRows> fields_;
};

// Fills `table` from STD_EXTRA.CSV in the current data directory without a
// word: a missing or unreadable file leaves every field empty.
void LoadExtraReferenceTable(ExtraReferenceTable& table);

}  // namespace eiyou
