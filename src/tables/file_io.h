// Low-level file access shared by the table readers and the dish file.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>

#include "tables/uncopyable.h"

namespace eiyou {

// The texts of the IoError raised when an existing file cannot be read, and
// when a file cannot be created.
std::string ReadFailureMessage(const std::string& path);
std::string WriteFailureMessage(const std::string& path);

// `t` in local time, written by strftime's `format`; numeric fields only, so
// the same in every locale.
std::string LocalTimeText(std::time_t t, const char* format);
// The stamp of a dated file name, "YYYYMMDD-HHMMSS" in local time: a backup,
// a damaged file set aside.
inline std::string DatedNameStamp(std::time_t t) { return LocalTimeText(t, "%Y%m%d-%H%M%S"); }

// Keeps `bytes`, the file at `path` as it is now, beside it under a dated
// name, <file>.YYYYMMDD-HHMMSS.bak (local time; "-2", "-3", ... before ".bak"
// when that is taken: an existing backup is never overwritten), with the
// permission bits of `mode`. Returns that name, or empty with `error` set
// (without saying what the failure leaves: the caller knows).
std::string DatedBackup(const std::string& path, const std::string& bytes, unsigned mode,
                        std::time_t now, std::string& error);

// The whole file's bytes. Throws IoError as InputFile does.
std::string ReadWholeFile(const std::string& path);
// At most `limit` bytes from the file's start: a caller that refuses larger
// files reads limit + 1 and looks at the size. Throws IoError as InputFile does.
std::string ReadFileStart(const std::string& path, std::size_t limit);

// Replaces the file's contents by `bytes`: a new file is written beside it,
// flushed and renamed over it (through a symbolic link, onto the file it
// names), keeping the old file's permission bits. False, with the old file
// untouched, when anything fails, when the target is not a regular file or
// when it or its directory has no write bit at all.
bool ReplaceFileContents(const std::string& path, const std::string& bytes);

// ReplaceFileContents writes ".<name>.<pid>.<n>.tmp" beside the target; a
// process killed before its rename (a file-size limit, a power cut) leaves it.
// Removes such files of exactly that naming from `directory` when no living
// process can still be writing them: the pid is no process of this machine
// and the file has not changed for a minute (the folder may be shared with a
// copy of the program elsewhere), or it has not changed for an hour (the pid
// may have been reused). Returns how many were removed; never reports errors.
int RemoveStaleTemporaryFiles(const std::string& directory, std::time_t now);

// An open, readable regular file. The constructor throws IoError (naming
// `path`) when the file cannot be opened, is not a regular file (a directory,
// a device, a pipe) or has no read permission bit at all: a process running as
// root would otherwise read files that the user marked unreadable.
class InputFile : Uncopyable {
 public:
  explicit InputFile(const std::string& path);
  ~InputFile();

  // Reads up to `size` bytes; 0 at the end of the file. Throws IoError.
  std::size_t Read(char* buffer, std::size_t size);

 private:
  std::string path_;
  int fd_;
};

}  // namespace eiyou
