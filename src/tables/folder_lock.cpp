#include "tables/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace eiyou {
namespace {

// This process's shared holds, one lock a folder. The windows and the import
// run on the one GUI thread, so the list needs no mutex.
struct Held {
  dev_t dev;
  ino_t ino;
  int fd;
  int users;
};

std::vector<Held>& HeldFolders() {
  static std::vector<Held> held;
  return held;
}

Held* FindHeld(dev_t dev, ino_t ino) {
  for (Held& h : HeldFolders())
    if (h.dev == dev && h.ino == ino) return &h;
  return nullptr;
}

int OpenFolder(const std::string& directory) {
  if (directory.empty()) return -1;
  return open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int Flock(int fd, int operation) {
  int r;
  do r = flock(fd, operation);
  while (r != 0 && errno == EINTR);
  return r;
}

}  // namespace

DataFolderUse::DataFolderUse(const std::string& directory) {
  const int fd = OpenFolder(directory);
  if (fd < 0) return;
  struct stat st;
  if (fstat(fd, &st) != 0) {
    close(fd);
    return;
  }
  if (Held* h = FindHeld(st.st_dev, st.st_ino)) {
    ++h->users;
    close(fd);
  } else if (Flock(fd, LOCK_SH) == 0) {
    HeldFolders().push_back({st.st_dev, st.st_ino, fd, 1});
  } else {
    close(fd);
    return;
  }
  dev_ = st.st_dev;
  ino_ = st.st_ino;
  held_ = true;
}

DataFolderUse::~DataFolderUse() {
  if (!held_) return;
  std::vector<Held>& held = HeldFolders();
  for (auto it = held.begin(); it != held.end(); ++it)
    if (it->dev == dev_ && it->ino == ino_) {
      if (--it->users == 0) {
        close(it->fd);
        held.erase(it);
      }
      return;
    }
}

DataFolderSoleUse::DataFolderSoleUse(const std::string& directory) {
  const int fd = OpenFolder(directory);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) {
    // Nothing to lock; whatever follows meets the folder's own failure.
    if (fd >= 0) close(fd);
    granted_ = true;
    return;
  }
  if (Held* h = FindHeld(st.st_dev, st.st_ino)) {
    close(fd);
    if (Flock(h->fd, LOCK_EX | LOCK_NB) == 0) {
      convertedFd_ = h->fd;
      granted_ = true;
      return;
    }
    const bool busy = errno == EWOULDBLOCK;
    // A refused conversion has given up the shared lock as well: take it again.
    Flock(h->fd, LOCK_SH);
    granted_ = !busy;
    return;
  }
  if (Flock(fd, LOCK_EX | LOCK_NB) == 0) {
    fd_ = fd;
    granted_ = true;
    return;
  }
  granted_ = errno != EWOULDBLOCK;
  close(fd);
}

DataFolderSoleUse::~DataFolderSoleUse() {
  if (convertedFd_ >= 0) Flock(convertedFd_, LOCK_SH);
  if (fd_ >= 0) close(fd_);
}

std::string FolderInUseMessage(const std::string& directory, const char* action) {
  return "データフォルダ " + directory +
         " は、ほかに起動している栄養分析システムか食品成分表の取込が使用中です。"
         "それらを終了してから、もう一度" + std::string(action) + "ください";
}

DishFolderLock::DishFolderLock(const std::string& dishDirectory) : fd_(OpenFolder(dishDirectory)) {
  // Without the lock the save still goes ahead: refusing would only lose the dishes.
  if (fd_ >= 0) Flock(fd_, LOCK_EX);
}

DishFolderLock::~DishFolderLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace eiyou
