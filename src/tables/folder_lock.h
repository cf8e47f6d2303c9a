// The locks that keep two copies of the program, and an import, from undoing
// each other's work in one data folder. They are flock(2) locks on the folders
// themselves: no lock file is left in the user's folder, a read-only folder
// takes them too, and the system drops them when a process ends, however it
// ends. Where a folder cannot be opened or takes no locks (some network file
// systems), each of them does nothing and the program works as it did.
#pragma once

#include <string>
#include <sys/types.h>

#include "tables/uncopyable.h"

namespace eiyou {

// Held by a running program for its whole run: a shared lock on its data
// folder, so that an import, which needs the folder to itself, is refused
// while any program has it open. Waits while an import is writing (a moment).
// Several holds of one folder in a process share one lock.
class DataFolderUse : Uncopyable {
 public:
  explicit DataFolderUse(const std::string& directory);
  ~DataFolderUse();

 private:
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  bool held_ = false;
};

// The folder to this process alone, for an import: granted when no other
// process holds it. This process's own DataFolderUse does not count: its
// windows are modal, so none of them is open while its import runs. Never
// waits. On leaving, this process's own hold is shared again.
class DataFolderSoleUse : Uncopyable {
 public:
  explicit DataFolderSoleUse(const std::string& directory);
  ~DataFolderSoleUse();

  bool granted() const { return granted_; }

 private:
  int fd_ = -1;           // a lock of our own, closed on leaving
  int convertedFd_ = -1;  // this process's shared hold, made exclusive
  bool granted_ = false;
};

// Told when an import (or another action needing the folder to itself, said
// as the verb's te-form: "移して") is refused for another program's hold on it.
std::string FolderInUseMessage(const std::string& directory, const char* action = "取り込んで");

// Exclusive, waited for: one save of the dish file at a time, from reading the
// file as it is now to putting the new one in place. Held on the KONDATE folder
// for the few milliseconds a save takes.
class DishFolderLock : Uncopyable {
 public:
  explicit DishFolderLock(const std::string& dishDirectory);
  ~DishFolderLock();

 private:
  int fd_ = -1;
};

}  // namespace eiyou
