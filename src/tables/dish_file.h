// The dish file KONDATE/献立.TXT: one dish line per line, CP932, CR LF.
#pragma once

#include <string>
#include <vector>

#include "tables/errors.h"

namespace eiyou {

// Full paths in the current data directory (UTF-8, joined with "/").
std::string DishDirectoryPath();
std::string DishFilePath();

// Splits a whole file's bytes into lines: CR LF, lone CR or lone LF end a line,
// a last line without an end counts, a NUL byte ends the text.
// `*textAfterNul` (when given) tells whether anything but NULs and line ends
// follows that NUL: dishes the lists will not show.
std::vector<std::string> SplitDishText(const std::string& bytes, bool* textAfterNul = nullptr);

// Reads the file whole. Throws IoError when it exists but cannot be read.
std::vector<std::string> ReadDishFile(const std::string& path, bool* textAfterNul = nullptr);

// The dish file as the opening of a window that lists it reads it.
struct DishFileOpening {
  bool show = false;               // the window may be shown
  std::vector<std::string> lines;  // the file's lines, in file order
  bool textAfterNul = false;       // a NUL byte hides dishes after it
};
// No KONDATE directory: "ディレクトリがありません！！" and the window is not
// shown. No dish file: "指定された" + path + "ファイルがありません！！" and the
// window shows an empty list. An existing file that cannot be read throws IoError.
DishFileOpening ReadDishFileAtOpening(MessageSink& sink);

// Shown by the dish window when a NUL byte hides dishes: saving would drop them.
inline constexpr const char* kDishesAfterNulMessage =
    "献立ファイルの途中に文字コード0のバイトがあり、その後ろの献立は読み込みませんでした。"
    "保存するとそれらの献立は失われます！";

// What another window or program changed in the dish file since a window read
// it, carried into that window's list. `base` is the file as the window read
// it, `ours` the window's list, `theirs` the file now; lines are counted, for a
// list may hold equal ones. A line stands in the result as often as in ours,
// plus what theirs added, less what theirs removed (never below none), sorted
// as the dish list sorts (CP932 bytes, equal lines in their order).
struct DishMerge {
  std::vector<std::string> lines;
  int added = 0;    // lines theirs added
  int removed = 0;  // lines of ours that theirs had removed
};
DishMerge MergeDishLines(const std::vector<std::string>& base, const std::vector<std::string>& ours,
                         const std::vector<std::string>& theirs);

// Writes every line followed by CR LF, replacing the file atomically (a new file
// beside it, then rename), so a failure leaves the old file as it was. Throws
// IoError("ﾌｧｲﾙ <path> を作成できません。") when it cannot be created.
void WriteDishFile(const std::string& path, const std::vector<std::string>& lines);

}  // namespace eiyou
