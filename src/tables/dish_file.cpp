#include "tables/dish_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/file_io.h"

namespace eiyou {

std::string DishDirectoryPath() { return JoinPath(DataDirectory(), kDishDirName); }

std::string DishFilePath() { return JoinPath(DishDirectoryPath(), kDishFileName); }

std::vector<std::string> SplitAtCommas(std::string_view text) {
  std::vector<std::string> pieces;
  for (;;) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) {
      pieces.emplace_back(text);
      return pieces;
    }
    pieces.emplace_back(text.substr(0, comma));
    text.remove_prefix(comma + 1);
  }
}

namespace {
// Cuts at the first comma; without one the piece and the rest are both empty.
std::string CutAtComma(std::string_view& rest) {
  const std::size_t comma = rest.find(',');
  if (comma == std::string_view::npos) {
    rest = {};
    return {};
  }
  std::string piece(rest.substr(0, comma));
  rest.remove_prefix(comma + 1);
  return piece;
}
}  // namespace

DishLineParts SplitDishLine(std::string_view line) {
  DishLineParts parts;
  parts.cuisine = CutAtComma(line);
  parts.category = CutAtComma(line);
  const std::size_t comma = line.find(',');
  parts.name = std::string(line.substr(0, comma));
  if (comma != std::string_view::npos) {
    parts.hasFoods = true;
    parts.foods = std::string(line.substr(comma + 1));
  }
  return parts;
}

std::vector<std::string> SplitDishText(const std::string& bytes, bool* textAfterNul) {
  std::vector<std::string> lines;
  const std::size_t end = std::min(bytes.find('\0'), bytes.size());
  if (textAfterNul)
    *textAfterNul = end < bytes.size() &&
                    bytes.find_first_not_of(std::string_view("\0\r\n", 3), end) != std::string::npos;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < end) {
    char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(bytes.substr(start, i - start));
      ++i;
      if (c == '\r' && i < end && bytes[i] == '\n') ++i;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < end) lines.push_back(bytes.substr(start, end - start));
  return lines;
}

std::vector<std::string> ReadDishFile(const std::string& path, bool* textAfterNul) {
  InputFile file(path);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    std::size_t n = file.Read(buffer, sizeof buffer);
    if (n == 0) break;
    bytes.append(buffer, n);
  }
  return SplitDishText(bytes, textAfterNul);
}

namespace {

std::string WriteFailureMessage(const std::string& path) {
  return "ﾌｧｲﾙ " + path + " を作成できません。";
}

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

// The new file is written beside the target and renamed over it, so a failure
// at any point leaves the old file's bytes untouched.
bool ReplaceFile(const std::string& path, const std::string& bytes) {
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

}  // namespace

void WriteDishFile(const std::string& path, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  if (!ReplaceFile(path, bytes)) throw IoError(WriteFailureMessage(path));
}

}  // namespace eiyou
