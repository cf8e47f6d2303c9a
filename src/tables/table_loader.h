// The loader shared by the table files: existence check, line reading, storing.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tables/errors.h"

namespace eiyou {

// The loader shared by the table files: CheckDataFile on `fileName` in the data
// directory (nothing happens when it reports the file unavailable), then line r
// of at most `maxRows` lines, split into `fields` fields, goes to store(r, ...).
// Rows after the last line read are not touched. Returns true when the file
// holds further lines that were not read.
bool LoadTableFile(const char* fileName, int maxRows, int fields, MessageSink& sink,
                   const std::function<void(int row, std::vector<std::string>& fields)>& store);

// The same without the split; the line's bytes are valid during the call only.
bool LoadTableLines(const char* fileName, int maxRows, MessageSink& sink,
                    const std::function<void(int row, std::string_view line)>& store);

}  // namespace eiyou
