#include "import/food_import.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "import/food_columns.h"
#include "import/readers.h"
#include "nutrition/food_groups.h"
#include "tables/cp932.h"
#include "tables/errors.h"
#include "tables/file_io.h"
#include "tables/food_components.h"

namespace eiyou {
namespace {

bool LooksLikeWorkbook(std::string_view bytes, const std::string& fileName) {
  if (bytes.substr(0, 2) == "PK") return true;
  std::string tail = fileName.size() >= 5 ? fileName.substr(fileName.size() - 5) : fileName;
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".xlsx" || tail == ".xlsm";
}

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

}  // namespace

FoodImport ImportFoodComposition(const std::string& path, const ImportProgress& progress) {
  const ImportLimits limits;
  std::string bytes;
  try {
    InputFile file(path);
    char buffer[65536];
    for (;;) {
      const std::size_t n = file.Read(buffer, sizeof buffer);
      if (n == 0) break;
      if (bytes.size() + n > limits.fileBytes) {
        FoodImport result;
        result.error = "ファイル " + path + " が大きすぎます（上限 " +
                       std::to_string(limits.fileBytes >> 20) + " MiB）";
        return result;
      }
      bytes.append(buffer, n);
    }
  } catch (const IoError& e) {
    FoodImport result;
    result.error = e.what();
    return result;
  }
  return ImportFoodCompositionBytes(bytes, path, progress, limits);
}

FoodImport ImportFoodCompositionBytes(std::string_view bytes, const std::string& fileName,
                                      const ImportProgress& progress, const ImportLimits& limits) {
  FoodImport result;
  if (bytes.size() > limits.fileBytes) {
    result.error = "ファイルが大きすぎます（上限 " + std::to_string(limits.fileBytes >> 20) + " MiB）";
    return result;
  }
  if (progress && !progress(0)) {
    result.error = import::kCancelledMessage;
    return result;
  }
  if (LooksLikeWorkbook(bytes, fileName)) {
    import::ReadWorkbook(bytes, progress, limits, result);
  } else {
    import::ReadDelimited(bytes, progress, limits, result);
  }
  if (result.error.empty() && progress && !progress(1)) result.error = import::kCancelledMessage;
  result.ok = result.error.empty();
  if (!result.ok) {
    // A failed import keeps only what explains the failure.
    result.foods.clear();
    result.foodsPerGroup.fill(0);
    result.problems.clear();
    result.problemsNotListed = 0;
    result.emptyValueCells = 0;
    result.edition.clear();
    result.componentIdentifiers.clear();
  }
  return result;
}

std::string FoodTableBytes(const std::vector<ImportedFood>& foods) {
  std::string out;
  out.reserve(foods.size() * 160);
  for (const ImportedFood& food : foods) {
    for (int c = 0; c < kImportColumns; ++c) {
      if (c > 0) out += ',';
      out += food.cells[c];
    }
    out += "\r\n";
  }
  return out;
}

std::string FoodMarksBytes(const std::vector<ImportedFood>& foods) {
  std::string out;
  out.reserve(foods.size() * 32);
  for (const ImportedFood& food : foods) {
    out += food.number;
    out += '\t';
    for (CellMark mark : food.marks) out += static_cast<char>(mark);
    out += "\r\n";
  }
  return out;
}

std::string FoodComponentsBytes(const std::vector<ImportedFood>& foods,
                                const std::vector<std::string>& identifiers,
                                std::string_view edition, std::size_t tableBytes) {
  std::string out = FoodComponentsHeader(tableBytes, edition) + "FN";
  for (const std::string& id : identifiers) (out += '\t') += id;
  out += "\r\n";
  out.reserve(out.size() + foods.size() * (8 + identifiers.size() * 4));
  for (const ImportedFood& food : foods) {
    out += food.number;
    for (std::size_t k = 0; k < identifiers.size(); ++k) {
      out += '\t';
      if (k < food.components.size()) out += food.components[k];
    }
    out += "\r\n";
  }
  return out;
}

std::vector<std::string> ImportSummaryLines(const FoodImport& r) {
  std::vector<std::string> lines;
  lines.push_back("形式: " + r.format);
  if (!r.ok) {
    lines.push_back("取り込めませんでした: " + r.error);
    if (!r.identifiersMissing.empty())
      lines.push_back("見つからない成分識別子: " + Joined(r.identifiersMissing));
    return lines;
  }
  lines.push_back("食品数: " + std::to_string(r.foods.size()));
  // Without one, the viewer's title falls back to its old caption.
  lines.push_back(r.edition.empty() ? std::string("版: 不明（表題の行に見当たりません。"
                                                  "「食品成分表の更新」の画面の題は「食品成分表５訂版」になります）")
                                    : "版: " + Cp932ToUtf8(r.edition));
  for (int g = 1; g <= 18; ++g) {
    if (r.foodsPerGroup[g] == 0) continue;
    char number[4];
    std::snprintf(number, sizeof number, "%02d", g);
    lines.push_back("  " + std::string(number) + " " + OfficialGroupName(g) + ": " +
                    std::to_string(r.foodsPerGroup[g]));
  }
  lines.push_back("見つかった成分識別子 (" + std::to_string(r.identifiersFound.size()) +
                  "): " + Joined(r.identifiersFound));
  if (!r.identifiersMissing.empty())
    lines.push_back("見つからない成分識別子（なくても取り込めます）: " + Joined(r.identifiersMissing));
  lines.push_back("成分の一覧に入れる成分識別子 (" + std::to_string(r.componentIdentifiers.size()) +
                  "/" + std::to_string(import::kComponentCount) + "): " +
                  Joined(r.componentIdentifiers));
  if (r.emptyValueCells > 0)
    lines.push_back("空欄のセル " + std::to_string(r.emptyValueCells) +
                    " 個は「-」（未測定）とします");
  const std::size_t problems = r.problems.size() + static_cast<std::size_t>(r.problemsNotListed);
  lines.push_back("問題: " + std::to_string(problems) + " 件");
  for (const std::string& p : r.problems) lines.push_back("  " + p);
  if (r.problemsNotListed > 0)
    lines.push_back("  ほか " + std::to_string(r.problemsNotListed) + " 件は省略しました");
  return lines;
}

}  // namespace eiyou
