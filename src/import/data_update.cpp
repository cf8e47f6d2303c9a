#include "import/data_update.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/file_io.h"
#include "tables/food_components.h"
#include "tables/food_edition.h"
#include "tables/food_marks.h"
#include "tables/food_table.h"
#include "tables/text_fields.h"

namespace eiyou {

namespace {

// The lines of a file whose lines end in CR LF (or LF), without the last empty one.
std::vector<std::string_view> Lines(std::string_view bytes) {
  std::vector<std::string_view> lines = SplitViewsAt(bytes, '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  for (std::string_view& line : lines)
    if (line.ends_with('\r')) line.remove_suffix(1);
  return lines;
}

bool ReadIfThere(const std::string& path, std::string& bytes) {
  if (!EntryExists(path)) return false;
  try {
    bytes = ReadWholeFile(path);
    return true;
  } catch (const IoError&) {
    return false;
  }
}

std::optional<DataEdition> RecordOf(const std::string& folder) {
  std::string bytes;
  if (!ReadIfThere(JoinPath(folder, kDataEditionFileName), bytes)) return std::nullopt;
  return ParseDataEdition(bytes);
}

// The shipped table as the importer hands a table over: its cells, marks and
// components, read back from the files the importer wrote. Written again they
// must give the same bytes, or the shipped data is not what it claims to be.
bool ShippedFoods(const std::string& shipped, std::vector<ImportedFood>& foods,
                  std::vector<std::string>& identifiers, std::string& edition) {
  std::string table, marks, components, record;
  if (!ReadIfThere(JoinPath(shipped, kFoodFileName), table) ||
      !ReadIfThere(JoinPath(shipped, kFoodMarksFileName), marks) ||
      !ReadIfThere(JoinPath(shipped, kFoodComponentsFileName), components) ||
      !ReadIfThere(JoinPath(shipped, kFoodEditionFileName), record))
    return false;
  edition = ReadFoodEdition(record, table.size());
  const std::vector<FoodMarksLine> markLines = ReadFoodMarks(marks);
  const std::vector<std::string_view> lines = Lines(table);
  if (markLines.size() != lines.size()) return false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::vector<std::string_view> cells = SplitViewsAt(lines[i], ',');
    if (cells.size() != kImportColumns) return false;
    ImportedFood& food = foods.emplace_back();
    for (int c = 0; c < kImportColumns; ++c) food.cells[c] = cells[static_cast<std::size_t>(c)];
    food.number = markLines[i].number;
    food.marks = markLines[i].marks;
    if (FoodNumberValue(food.number) != FoodNumberValue(food.cells[0])) return false;
  }
  const std::vector<std::string_view> componentLines = Lines(components);
  if (componentLines.size() != foods.size() + 2) return false;
  const std::vector<std::string_view> header = SplitViewsAt(componentLines[1], '\t');
  identifiers.assign(header.begin() + 1, header.end());
  for (std::size_t i = 0; i < foods.size(); ++i) {
    const std::vector<std::string_view> cells = SplitViewsAt(componentLines[i + 2], '\t');
    if (cells.size() != header.size() || cells[0] != foods[i].number) return false;
    foods[i].components.assign(cells.begin() + 1, cells.end());
  }
  return FoodTableBytes(foods) == table && FoodMarksBytes(foods) == marks &&
         FoodComponentsBytes(foods, identifiers, edition, table.size()) == components;
}

// A reference file put back as it was before the update touched it.
struct Written {
  std::string path, oldBytes;
  bool existed = false;
  bool Restore() const {
    if (existed) return ReplaceFileContents(path, oldBytes);
    return unlink(path.c_str()) == 0 || errno == ENOENT;
  }
};

}  // namespace

std::optional<DataEdition> ParseDataEdition(std::string_view bytes) {
  const std::vector<std::string_view> lines = Lines(bytes);
  if (lines.empty()) return std::nullopt;
  const std::vector<std::string_view> head = SplitViewsAt(lines[0], '\t');
  if (head.size() != 4 || head[0] != "EIYOU-DATA" || head[1] != "1" || head[2].empty())
    return std::nullopt;
  for (char c : head[2])
    if (!(c == '-' || (c >= '0' && c <= '9'))) return std::nullopt;
  DataEdition e{std::string(head[2]), std::string(head[3]), {}};
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string_view> parts = SplitViewsAt(lines[i], '\t');
    if (parts.size() < 2 || parts[0].empty() || parts[0].starts_with('/') ||
        parts[0].find("..") != std::string_view::npos)
      return std::nullopt;
    DataEdition::File& f = e.files.emplace_back();
    f.name = parts[0];
    for (std::size_t k = 1; k < parts.size(); ++k) {
      if (parts[k].size() != 64 || parts[k].find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return std::nullopt;
      f.hashes.emplace_back(parts[k]);
    }
  }
  return e;
}

bool ReleaseBefore(std::string_view a, std::string_view b) {
  auto numbers = [](std::string_view r) {
    std::vector<long> n;
    for (std::string_view part : SplitViewsAt(r, '-')) {
      long v = 0;
      std::from_chars(part.data(), part.data() + part.size(), v);
      n.push_back(v);
    }
    return n;
  };
  return numbers(a) < numbers(b);
}

bool DataUpdatePlan::Worthwhile() const {
  for (const auto& [name, update] : files)
    if (update == FileUpdate::Replace || update == FileUpdate::Add) return true;
  return false;
}

std::optional<DataUpdatePlan> DataUpdateDue(const std::string& folder, const std::string& shipped) {
  const std::optional<DataEdition> ships = RecordOf(shipped);
  if (!ships || !DirectoryExists(folder)) return std::nullopt;
  // A folder without a record was made before there was one: older than any.
  if (const std::optional<DataEdition> has = RecordOf(folder);
      has && !ReleaseBefore(has->release, ships->release))
    return std::nullopt;
  std::string later;
  if (ReadIfThere(JoinPath(folder, kDataUpdateLaterFileName), later) &&
      Lines(later) == std::vector<std::string_view>{ships->release})
    return std::nullopt;
  DataUpdatePlan plan{ships->release, ships->description, {}};
  for (const DataEdition::File& f : ships->files) {
    std::string bytes;
    FileUpdate u = FileUpdate::Add;
    if (ReadIfThere(JoinPath(folder, f.name), bytes)) {
      const std::string hash = Sha256Hex(bytes);
      u = FileUpdate::Keep;
      for (std::size_t k = 0; k < f.hashes.size(); ++k)
        if (f.hashes[k] == hash) u = k == 0 ? FileUpdate::Current : FileUpdate::Replace;
    } else if (EntryExists(JoinPath(folder, f.name))) {
      u = FileUpdate::Keep;  // there but unreadable: not ours to replace
    }
    // The bundled table itself, without the side files that came with it (a
    // folder made before the components file existed): the table is put in
    // again, so that the import writes them.
    if (f.name == kFoodFileName && u == FileUpdate::Current)
      for (const char* side : {kFoodMarksFileName, kFoodEditionFileName, kFoodComponentsFileName}) {
        std::string has, ships;
        if (!ReadIfThere(JoinPath(folder, side), has) || !ReadIfThere(JoinPath(shipped, side), ships) ||
            has != ships)
          u = FileUpdate::Replace;
      }
    plan.files.emplace_back(f.name, u);
  }
  if (!plan.Worthwhile()) return std::nullopt;
  return plan;
}

bool PostponeDataUpdate(const std::string& folder, const DataUpdatePlan& plan) {
  return ReplaceFileContents(JoinPath(folder, kDataUpdateLaterFileName), plan.release + "\n");
}

DataUpdateResult UpdateDataFolder(const std::string& folder, const std::string& shipped,
                                  const DataUpdatePlan& plan, std::time_t now) {
  DataUpdateResult r;
  std::string record;
  if (!ReadIfThere(JoinPath(shipped, kDataEditionFileName), record)) {
    r.error = "同梱のデータ " + shipped + " を読み取れません（何も書き込みませんでした）";
    return r;
  }
  bool table = false;
  std::vector<Written> written;
  auto putBack = [&] {
    bool all = true;
    for (auto it = written.rbegin(); it != written.rend(); ++it) all = it->Restore() && all;
    return all ? std::string("（食事摂取基準のファイルは元に戻しました）")
               : std::string("（食事摂取基準のファイルを元に戻せませんでした。控えが残っています）");
  };
  for (const auto& [name, update] : plan.files) {
    if (name == kFoodFileName) {
      table = update == FileUpdate::Replace || update == FileUpdate::Add;
      if (update == FileUpdate::Keep)
        r.lines.push_back("食品成分表 " + name + " はお使いの表（取り込みまたは編集したもの）のため、そのままにしました");
      continue;
    }
    if (update == FileUpdate::Keep) {
      r.lines.push_back(name + " は編集されているため、そのままにしました");
      continue;
    }
    if (update == FileUpdate::Current) continue;
    const std::string path = JoinPath(folder, name);
    std::string bytes;
    if (!ReadIfThere(JoinPath(shipped, name), bytes)) {
      r.error = "同梱のデータ " + JoinPath(shipped, name) + " を読み取れません" + putBack();
      return r;
    }
    Written& w = written.emplace_back();
    w.path = path;
    w.existed = update == FileUpdate::Replace;
    if (w.existed) {
      struct stat st;
      const unsigned mode = stat(path.c_str(), &st) == 0 ? st.st_mode : 0644;
      if (!ReadIfThere(path, w.oldBytes) ||
          DatedBackup(path, w.oldBytes, mode, now, r.error).empty()) {
        written.pop_back();
        r.error += putBack();
        return r;
      }
    } else {
      const std::size_t slash = path.rfind('/');
      if (slash != std::string::npos) mkdir(path.substr(0, slash).c_str(), 0755);
    }
    // Written beside its place and renamed over it, a new file as an old one.
    const bool ok = ReplaceFileContents(path, bytes);
    if (!ok) {
      r.error = WriteFailureMessage(path) + putBack();
      return r;
    }
    r.lines.push_back(name + (w.existed ? " を新しい版にしました（控え: 元のファイル名に日付を付けて残しました）"
                                        : " を加えました"));
  }
  if (table) {
    std::vector<ImportedFood> foods;
    std::vector<std::string> identifiers;
    std::string edition;
    if (!ShippedFoods(shipped, foods, identifiers, edition)) {
      r.error = "同梱の食品成分表 " + JoinPath(shipped, kFoodFileName) + " を読み取れません" + putBack();
      return r;
    }
    r.table = InstallFoodTable(folder, foods, now, edition, identifiers);
    if (!r.table.ok) {
      r.error = r.table.error + putBack();
      return r;
    }
    r.lines.insert(r.lines.begin(), "食品成分表を新しい版にしました: " + Cp932ToUtf8(edition));
    for (const std::vector<std::string>* report : {&r.table.dishReport, &r.table.planReport})
      r.lines.insert(r.lines.end(), report->begin(), report->end());
  }
  // The record last: until it is written the folder counts as the older
  // release, and a failed update is offered again.
  if (!ReplaceFileContents(JoinPath(folder, kDataEditionFileName), record)) {
    r.error = WriteFailureMessage(JoinPath(folder, kDataEditionFileName));
    return r;
  }
  unlink(JoinPath(folder, kDataUpdateLaterFileName).c_str());
  r.ok = true;
  return r;
}

}  // namespace eiyou
