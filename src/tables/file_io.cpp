#include "tables/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "tables/errors.h"

namespace eiyou {

std::string ReadFailureMessage(const std::string& path) {
  return "ﾌｧｲﾙ " + path + " を読み込めません。";
}

InputFile::InputFile(const std::string& path) : path_(path), fd_(-1) {
  // O_NONBLOCK keeps a pipe of that name from blocking the open; it is refused below.
  fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) throw IoError(ReadFailureMessage(path_));
  struct stat st;
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0444) == 0) {
    close(fd_);
    fd_ = -1;
    throw IoError(ReadFailureMessage(path_));
  }
}

InputFile::~InputFile() {
  if (fd_ >= 0) close(fd_);
}

std::size_t InputFile::Read(char* buffer, std::size_t size) {
  for (;;) {
    ssize_t n = read(fd_, buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) throw IoError(ReadFailureMessage(path_));
  }
}

}  // namespace eiyou
