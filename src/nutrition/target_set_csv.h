// A target set as a CSV file that a user can type in a spreadsheet:
//
//   # 目標量セット: 減塩食 6g
//   # 説明: 食塩相当量 6g 未満
//   栄養素,名称,項目,値,単位,性別,年齢区分
//   NACL_EQ,食塩相当量,DG_max未満,6,g,,
//   ENERC_KCAL,エネルギー,目標,1800,kcal,女性,30-49歳
//
// UTF-8 (with or without a byte order mark) or CP932. Lines starting with
// "#" are comments, except the two above, which carry the name and the
// description. The header names the columns in any order: 栄養素, 項目 and 値
// are needed; 単位, 性別 and 年齢区分 may be left out; 名称 and 備考 are
// read past. A row is for everyone when 性別 and 年齢区分 are empty.
#pragma once

#include <string>
#include <string_view>

#include "nutrition/target_set.h"

namespace eiyou {

struct TargetCsvRead {
  bool ok = false;
  TargetSet set;      // name and description empty when the file has none
  std::string error;  // UTF-8 Japanese, naming the line (and the column)
};

// Reads the whole file or refuses it. Numbers are read the same in every
// locale; a decimal comma is refused with a message saying so.
TargetCsvRead ReadTargetSetCsv(std::string_view bytes);

// The file ReadTargetSetCsv reads back as the same set: UTF-8 with a byte
// order mark (which spreadsheets need to take it for UTF-8), CR LF lines.
std::string TargetSetCsv(const TargetSet& set);

// The value kinds as the 項目 column writes them.
const char* TargetKindToken(TargetKind kind, bool exclusive);

}  // namespace eiyou
