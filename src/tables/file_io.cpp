#include "tables/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string_view>

#include "tables/errors.h"

namespace eiyou {

std::string ReadFailureMessage(const std::string& path) {
  return "ﾌｧｲﾙ " + path + " を読み込めません。";
}

std::string WriteFailureMessage(const std::string& path) {
  return "ﾌｧｲﾙ " + path + " を作成できません。";
}

std::string LocalTimeText(std::time_t t, const char* format) {
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, format, &local));
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

std::string ReadFileStart(const std::string& path, std::size_t limit) {
  InputFile file(path);
  std::string bytes(limit, '\0');
  std::size_t size = 0;
  while (size < bytes.size()) {
    const std::size_t got = file.Read(bytes.data() + size, bytes.size() - size);
    if (got == 0) break;
    size += got;
  }
  bytes.resize(size);
  return bytes;
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

constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr int kTemporaryAttempts = 100;

// The name of ReplaceFileContents' file beside `name`: hidden, then the pid
// and the attempt, so that copies of the program never collide.
std::string TemporaryName(const std::string& name, long pid, int attempt) {
  return "." + name + "." + std::to_string(pid) + "." + std::to_string(attempt) +
         std::string(kTemporarySuffix);
}

// A decimal number as std::to_string writes it (no sign, no leading zero);
// -1 otherwise.
long CanonicalNumber(std::string_view text) {
  long value = -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 0) return -1;
  if (text.size() > 1 && text[0] == '0') return -1;
  return value;
}

// The pid in a name that TemporaryName could have made; 0 when it is not one.
long PidOfTemporaryName(std::string_view name) {
  if (name.size() <= 1 + kTemporarySuffix.size() || name[0] != '.' ||
      name.substr(name.size() - kTemporarySuffix.size()) != kTemporarySuffix)
    return 0;
  name = name.substr(1, name.size() - 1 - kTemporarySuffix.size());
  const std::size_t attemptDot = name.rfind('.');
  if (attemptDot == std::string_view::npos) return 0;
  const long attempt = CanonicalNumber(name.substr(attemptDot + 1));
  if (attempt < 0 || attempt >= kTemporaryAttempts) return 0;
  name = name.substr(0, attemptDot);
  const std::size_t pidDot = name.rfind('.');
  if (pidDot == std::string_view::npos || pidDot == 0) return 0;  // the target's name is never empty
  const long pid = CanonicalNumber(name.substr(pidDot + 1));
  return pid > 0 ? pid : 0;
}

bool ProcessRuns(long pid) {
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
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
  for (int attempt = 0; attempt < kTemporaryAttempts && fd < 0; ++attempt) {
    temp = dir + "/" + TemporaryName(name, getpid(), attempt);
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

int RemoveStaleTemporaryFiles(const std::string& directory, std::time_t now) {
  constexpr std::time_t kQuiet = 60, kOld = 60 * 60;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(directory.c_str()), &closedir);
  if (!dir) return 0;
  int removed = 0;
  while (const dirent* entry = readdir(dir.get())) {
    const long pid = PidOfTemporaryName(entry->d_name);
    if (pid == 0) continue;
    const std::string path = directory + "/" + entry->d_name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const std::time_t unchanged = now - st.st_mtime;
    if (unchanged >= kOld || (unchanged >= kQuiet && !ProcessRuns(pid))) {
      if (unlink(path.c_str()) == 0) ++removed;
    }
  }
  return removed;
}

namespace {

// Creates `path` with these bytes; false when it exists or cannot be written.
// EEXIST is told apart so that the caller can try the next name.
bool CreateNewFile(const std::string& path, const std::string& bytes, mode_t mode, bool& exists) {
  exists = false;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) {
    exists = errno == EEXIST;
    return false;
  }
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (!ok) unlink(path.c_str());
  return ok;
}

}  // namespace

std::string DatedBackup(const std::string& path, const std::string& bytes, unsigned mode,
                        std::time_t now, std::string& error) {
  const std::string stamp = DatedNameStamp(now);
  for (int attempt = 1; attempt <= 100; ++attempt) {
    const std::string backup =
        path + "." + stamp + (attempt > 1 ? "-" + std::to_string(attempt) : "") + ".bak";
    bool exists = false;
    if (CreateNewFile(backup, bytes, mode & 0666, exists)) return backup;
    if (!exists) {
      error = "控えのファイル " + backup + " を作成できません";
      return {};
    }
  }
  error = "控えのファイル名が空いていません";
  return {};
}

}  // namespace eiyou
