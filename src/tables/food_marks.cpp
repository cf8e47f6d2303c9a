#include "tables/food_marks.h"

#include <algorithm>

#include "tables/data_dir.h"
#include "tables/file_io.h"

namespace eiyou {

namespace {

// Far above a marks file of the largest table (100,000 lines of 31 bytes).
constexpr std::size_t kMaxMarksBytes = std::size_t{16} << 20;

std::string_view TrimBlanks(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// The table writes "01001" as " 1001" (groups 1 to 9 keep a blank in front).
bool SameFood(std::string_view marksNumber, std::string_view tableNumber) {
  if (marksNumber.size() != 5) return false;
  if (tableNumber == marksNumber) return true;
  return marksNumber[0] == '0' && tableNumber.size() == 5 && tableNumber[0] == ' ' &&
         tableNumber.substr(1) == marksNumber.substr(1);
}

}  // namespace

std::vector<FoodMarksLine> ReadFoodMarks(std::string_view bytes) {
  std::vector<FoodMarksLine> lines;
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", i);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view text = bytes.substr(i, end - i);
    i = end;
    if (i < bytes.size() && bytes[i] == '\r') {
      ++i;
      if (i < bytes.size() && bytes[i] == '\n') ++i;
    } else if (i < bytes.size()) {
      ++i;  // a lone LF
    }

    FoodMarksLine line;
    line.marks.fill(CellMark::Problem);
    const std::size_t tab = text.find('\t');
    const bool wellFormed = tab == 5 && text.size() == 6 + FoodTable::kColumns &&
                            std::all_of(text.begin(), text.begin() + 5,
                                        [](char c) { return c >= '0' && c <= '9'; });
    if (wellFormed) {
      line.number = std::string(text.substr(0, 5));
      for (int c = 0; c < FoodTable::kColumns; ++c) {
        const char m = text[6 + c];
        switch (m) {
          case '.': case 'E': case '-': case 'T': case 'Z': case '?':
            line.marks[c] = static_cast<CellMark>(m);
            break;
          default:
            line.marks[c] = CellMark::Problem;
        }
      }
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<FoodMarksLine> LoadFoodMarks() {
  const std::string path = JoinPath(DataDirectory(), kFoodMarksFileName);
  if (!EntryExists(path)) return {};
  try {
    InputFile file(path);
    std::string bytes;
    char buffer[65536];
    for (std::size_t n; (n = file.Read(buffer, sizeof buffer)) > 0;) {
      bytes.append(buffer, n);
      if (bytes.size() > kMaxMarksBytes) return {};
    }
    return ReadFoodMarks(bytes);
  } catch (const IoError&) {
    // The marks only add to the figures; without them the "-" cells still show.
    return {};
  }
}

CellQuality QualityOf(const FoodTable& table, const std::vector<FoodMarksLine>& marks, int column,
                      int row) {
  if (TrimBlanks(table.Cell(column, row)) == "-") return CellQuality::NotAnalysed;
  if (row < 1 || column < 1 || column > FoodTable::kColumns) return CellQuality::Analysed;
  const auto i = static_cast<std::size_t>(row - 1);
  if (i >= marks.size() || !SameFood(marks[i].number, table.Cell(1, row)))
    return CellQuality::Analysed;
  switch (marks[i].marks[static_cast<std::size_t>(column - 1)]) {
    case CellMark::Estimated: return CellQuality::Estimated;
    case CellMark::NotAnalysed: return CellQuality::NotAnalysed;
    default: return CellQuality::Analysed;
  }
}

}  // namespace eiyou
