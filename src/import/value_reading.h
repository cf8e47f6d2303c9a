// How the program will read a number the import writes to the table: the
// columns of whole numbers through the 32-bit integer reader, the others
// through the 6-byte real. A value those lenient readers would take for
// another number is reported, never written silently.
#pragma once

#include "import/food_columns.h"

namespace eiyou::import {

// Checks the value of source slot `slot` of food `number` (Plain or Estimated
// values only). A value read as something else entirely becomes "-" (Problem);
// a fraction in a whole-number column is kept, since it is read as its whole
// part. Either is added to the problems.
void CheckProgramReading(CellValue& value, int slot, const std::string& number,
                         const ImportLimits& limits, FoodImport& result);

}  // namespace eiyou::import
