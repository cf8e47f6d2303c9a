// The line reader of the table files.
#pragma once

#include <cstddef>
#include <string>
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

}  // namespace eiyou
