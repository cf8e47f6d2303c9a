// Starting the second program copy (program_copy.cpp) from a test.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace eiyou::testing {

// Starts the copy with these arguments; its input and output are pipes when
// `in` and `out` are given (the test's ends).
inline pid_t StartCopy(std::vector<std::string> args, int* in = nullptr, int* out = nullptr) {
  args.insert(args.begin(), EIYOU_PROGRAM_COPY);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int toCopy[2] = {-1, -1}, fromCopy[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (in && pipe2(toCopy, O_CLOEXEC) == 0) {
    posix_spawn_file_actions_adddup2(&actions, toCopy[0], 0);
    *in = toCopy[1];
  }
  if (out && pipe2(fromCopy, O_CLOEXEC) == 0) {
    posix_spawn_file_actions_adddup2(&actions, fromCopy[1], 1);
    *out = fromCopy[0];
  }
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  if (toCopy[0] >= 0) close(toCopy[0]);
  if (fromCopy[1] >= 0) close(fromCopy[1]);
  return pid;
}

// Its exit status, once it has ended; -1 when it did not end by itself.
inline int WaitCopy(pid_t pid) {
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

inline int RunCopy(const std::vector<std::string>& args) { return WaitCopy(StartCopy(args)); }

// A running program on `directory` for as long as this lives.
class HoldingCopy {
 public:
  explicit HoldingCopy(const std::string& directory) {
    pid_ = StartCopy({"hold", directory}, &in_, &out_);
    char said[8] = {};
    held_ = pid_ > 0 && read(out_, said, sizeof said - 1) > 0 &&
            std::string(said).rfind("held", 0) == 0;
  }
  ~HoldingCopy() { End(); }
  bool held() const { return held_; }
  void End() {
    if (in_ >= 0) close(in_);
    if (out_ >= 0) close(out_);
    in_ = out_ = -1;
    if (pid_ > 0) WaitCopy(pid_);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1;
  bool held_ = false;
};

}  // namespace eiyou::testing
