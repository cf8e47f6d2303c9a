#include "tables/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "tables/errors.h"

namespace eiyou {

std::string ReadFailureMessage(const std::string& path) {
  return "ﾌｧｲﾙ " + path + " を読み込めません。";
}

std::string WriteFailureMessage(const std::string& path) {
  return "ﾌｧｲﾙ " + path + " を作成できません。";
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

std::string ReadWholeFile(const std::string& path) {
  InputFile file(path);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    std::size_t n = file.Read(buffer, sizeof buffer);
    if (n == 0) break;
    bytes.append(buffer, n);
  }
  return bytes;
}

namespace {

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Splits "dir/name" (dir "." when there is no separator).
void SplitPath(const std::string& path, std::string& dir, std::string& name) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    dir = ".";
    name = path;
  } else {
    dir = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
  }
}
}  // namespace

// The new file is written beside the target and renamed over it, so a failure
// at any point leaves the old file's bytes untouched.
bool ReplaceFileContents(const std::string& path, const std::string& bytes) {
  // Write through a symbolic link to the file it names, as an in-place write would.
  std::string target = path;
  struct stat old;
  bool exists = false;
  if (lstat(path.c_str(), &old) == 0) {
    if (S_ISLNK(old.st_mode)) {
      std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
      if (real && stat(real.get(), &old) == 0) {
        target = real.get();
        exists = true;
      } else if (!real) {
        return false;  // a dangling or looping link
      }
    } else {
      exists = true;
    }
  }
  if (exists) {
    if (!S_ISREG(old.st_mode)) return false;
    // Refused even where permissions are not enforced (a root process).
    if ((old.st_mode & 0222) == 0) return false;
  }
  std::string dir, name;
  SplitPath(target, dir, name);
  struct stat dirStat;
  if (stat(dir.c_str(), &dirStat) != 0 || !S_ISDIR(dirStat.st_mode)) return false;
  if ((dirStat.st_mode & 0222) == 0) return false;

  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = dir + "/." + name + "." + std::to_string(getpid()) + "." + std::to_string(attempt) + ".tmp";
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  bool ok = (!exists || fchmod(fd, old.st_mode & 07777) == 0) && WriteAll(fd, bytes) &&
            fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok && rename(temp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable; the file is in place already if this fails.
  int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    fsync(dirFd);
    close(dirFd);
  }
  return true;
}

}  // namespace eiyou
