#include "tables/reference_table.h"

#include <utility>

#include "tables/data_dir.h"
#include "tables/table_loader.h"

namespace eiyou {
namespace {
const std::string kEmpty;
}

const std::string& ReferenceTable::Field(int row, int field) const {
  if (row < 1 || row > kRows || field < 1 || field > kFields) return kEmpty;
  return fields_[row - 1][field - 1];
}

void ReferenceTable::SetField(int row, int field, std::string text) {
  if (row < 1 || row > kRows || field < 1 || field > kFields) return;
  fields_[row - 1][field - 1] = std::move(text);
}

void LoadReferenceTable(ReferenceTable& table, MessageSink& sink) {
  // Lines after the eleventh have no row to go to; they are not read.
  LoadTableFile(kReferenceFileName, ReferenceTable::kRows, ReferenceTable::kFields, sink,
                [&](int row, std::vector<std::string>& fields) {
                  for (int field = 1; field <= ReferenceTable::kFields; ++field)
                    table.SetField(row, field, std::move(fields[field - 1]));
                });
}

}  // namespace eiyou
