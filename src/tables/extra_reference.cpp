#include "tables/extra_reference.h"

#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/table_lines.h"
#include "tables/text_fields.h"

namespace eiyou {

namespace {
const std::string kEmpty;
}

const std::string& ExtraReferenceTable::Field(int row, int field) const {
  if (row < 1 || row > kRows || field < 1 || field > kFields) return kEmpty;
  return fields_[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(field - 1)];
}

void ExtraReferenceTable::SetField(int row, int field, std::string text) {
  if (row < 1 || row > kRows || field < 1 || field > kFields) return;
  fields_[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(field - 1)] =
      std::move(text);
}

void ExtraReferenceTable::Clear() {
  for (auto& row : fields_)
    for (std::string& f : row) f.clear();
}

void LoadExtraReferenceTable(ExtraReferenceTable& table) {
  table.Clear();
  const std::string path = JoinPath(DataDirectory(), kExtraReferenceFileName);
  if (!EntryExists(path)) return;
  std::vector<std::string> lines;
  try {
    lines = ReadTableLines(path, ExtraReferenceTable::kRows, nullptr);
  } catch (const IoError&) {
    return;  // shown as "-", like a missing file
  }
  for (std::size_t r = 0; r < lines.size(); ++r) {
    std::vector<std::string> fields = SplitFields(lines[r], ExtraReferenceTable::kFields - 1);
    for (int f = 0; f < ExtraReferenceTable::kFields; ++f)
      table.SetField(static_cast<int>(r + 1), f + 1, std::move(fields[static_cast<std::size_t>(f)]));
  }
}

}  // namespace eiyou
