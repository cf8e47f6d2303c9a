// The line reader of the table files.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace eiyou {

// Reads a text file as lines: a line ends at CR (an LF right after it is
// skipped); a lone LF stays in the line; byte 0x1A ends the file. Throws IoError
// ("ﾌｧｲﾙ <path> を読み込めません。") when the file exists but cannot be read:
// no permission or no read bit at all, a directory or anything but a regular file.
std::vector<std::string> ReadTableLines(const std::string& path);

// The same, keeping at most `maxLines` lines; `*moreLines` (when given) tells
// whether the file holds further lines that were not read.
std::vector<std::string> ReadTableLines(const std::string& path, std::size_t maxLines,
                                        bool* moreLines);

// The same lines handed to `line` one at a time, each view valid during its
// call only, so that a reader may keep the bytes where it likes without a copy
// per line in between. True when the file holds further lines not handed over.
bool ForEachTableLine(const std::string& path, std::size_t maxLines,
                      const std::function<void(std::string_view line)>& line);

}  // namespace eiyou
