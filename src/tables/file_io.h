// Low-level file access shared by the table readers and the dish file.
#pragma once

#include <cstddef>
#include <string>

namespace eiyou {

// The text of the IoError raised when an existing file cannot be read.
std::string ReadFailureMessage(const std::string& path);

// An open, readable regular file. The constructor throws IoError (naming
// `path`) when the file cannot be opened, is not a regular file (a directory,
// a device, a pipe) or has no read permission bit at all: a process running as
// root would otherwise read files that the user marked unreadable.
class InputFile {
 public:
  explicit InputFile(const std::string& path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Reads up to `size` bytes; 0 at the end of the file. Throws IoError.
  std::size_t Read(char* buffer, std::size_t size);

 private:
  std::string path_;
  int fd_;
};

}  // namespace eiyou
