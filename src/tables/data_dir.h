// The data directory convention and the existence check of the table files.
#pragma once

#include <ctime>
#include <string>

#include "tables/errors.h"

namespace eiyou {

// File and directory names on disk (UTF-8).
inline constexpr const char* kFoodFileName = "食品成分表５訂.CSV";
inline constexpr const char* kReferenceFileName = "STD.CSV";
inline constexpr const char* kDishDirName = "KONDATE";
inline constexpr const char* kDishFileName = "献立.TXT";

// The current working directory, read afresh on every call (UTF-8 path, no trailing "/").
// Empty when the working directory has been removed.
std::string DataDirectory();

// dir + "/" + name; an empty dir gives the name alone, which resolves inside the
// removed working directory and so finds nothing and creates nothing.
std::string JoinPath(const std::string& dir, const std::string& name);

// True when `path` names an existing directory.
bool DirectoryExists(const std::string& path);
// True when any entry of that name exists (a directory counts).
bool EntryExists(const std::string& path);

// Removes the temporary files that interrupted saves left in the data folder
// `directory` and its dish folder (RemoveStaleTemporaryFiles); how many.
int RemoveStaleTemporaryFilesOfDataFolder(const std::string& directory, std::time_t now);

// The two messages of a missing data or dish directory and of a missing file.
inline constexpr const char* kNoDirectoryMessage = "ディレクトリがありません！！";
std::string NoFileMessage(const std::string& path);

// Existence check made before every table load. Shows "ディレクトリがありません！！"
// when the data directory is gone, or "指定された" + path + "ファイルがありません！！"
// when nothing of that name exists, and then returns false.
bool CheckDataFile(const std::string& path, MessageSink& sink);

}  // namespace eiyou
