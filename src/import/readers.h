// The two source readers. Each fills `result` (foods, identifiers, problems)
// or sets result.error; the caller decides which one a file is for.
#pragma once

#include <string_view>

#include "import/food_import.h"

namespace eiyou::import {

// The sheet "表全体" of an Excel workbook (.xlsx, a zip archive of XML parts).
void ReadWorkbook(std::string_view bytes, const ImportProgress& progress,
                  const ImportLimits& limits, FoodImport& result);

// Tab- or comma-separated text, UTF-8 (with or without BOM) or CP932.
void ReadDelimited(std::string_view bytes, const ImportProgress& progress,
                   const ImportLimits& limits, FoodImport& result);

inline constexpr const char* kCancelledMessage = "取り込みを中止しました";

}  // namespace eiyou::import
