#include "tables/table_loader.h"

#include "tables/data_dir.h"
#include "tables/table_lines.h"
#include "tables/text_fields.h"

namespace eiyou {

bool LoadTableLines(const char* fileName, int maxRows, MessageSink& sink,
                    const std::function<void(int row, std::string_view line)>& store) {
  const std::string path = JoinPath(DataDirectory(), fileName);
  if (!CheckDataFile(path, sink)) return false;
  int row = 1;
  return ForEachTableLine(path, static_cast<std::size_t>(maxRows),
                          [&](std::string_view line) { store(row++, line); });
}

bool LoadTableFile(const char* fileName, int maxRows, int fields, MessageSink& sink,
                   const std::function<void(int row, std::vector<std::string>& fields)>& store) {
  return LoadTableLines(fileName, maxRows, sink, [&](int row, std::string_view line) {
    std::vector<std::string> split = SplitFields(line, fields - 1);
    store(row, split);
  });
}

}  // namespace eiyou
