// Process start to the main window's first paint, beside a bare Qt 6
// hello-world: wall time and peak resident memory of real processes.
//
// Each run spawns a launcher built from the program's own main() plus a probe
// (first_paint_probe.cpp) that reports the first paint and ends the process,
// so the program itself carries no benchmark hook. The launchers run in a copy
// of data/, on the platform named by QT_QPA_PLATFORM (offscreen by default).
// This driver stays free of Qt: a child's peak RSS as wait4() reports it is at
// least its parent's at the fork, so a small parent keeps the figure honest.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "bench_data.h"
#include "bench_report.h"

extern char** environ;

using namespace eiyou::bench;

namespace {

constexpr int kRepetitions = 21;
constexpr int kTimeoutMs = 60000;
constexpr int kProbeFd = 3;

long long MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct Launch {
  double seconds = 0;
  double peakBytes = 0;
  std::string error;
};

// Starts `program` in the working directory and waits for its report of the
// first paint and for its end. Its output goes to `log`.
Launch RunToFirstPaint(const std::string& program, const std::string& log) {
  Launch result;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    result.error = "pipe failed";
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], kProbeFd);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};

  const long long start = MonotonicNs();
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (spawned != 0) {
    close(fds[0]);
    result.error = "cannot start " + program;
    return result;
  }

  std::string report;
  for (;;) {
    pollfd p{fds[0], POLLIN, 0};
    const int ready = poll(&p, 1, kTimeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      kill(pid, SIGKILL);
      result.error = "no first paint within a minute";
      break;
    }
    char buffer[64];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the process has ended (every copy of the pipe is closed)
    report.append(buffer, static_cast<std::size_t>(n));
  }
  close(fds[0]);

  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  if (result.error.empty()) {
    if (report.empty())
      result.error = "the program ended without a first paint (see " + log + ")";
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
      result.error = "the program failed (see " + log + ")";
  }
  if (result.error.empty()) {
    result.seconds = static_cast<double>(std::atoll(report.c_str()) - start) * 1e-9;
    result.peakBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;  // ru_maxrss is in KiB
  }
  return result;
}

// The data folder copy both programs run in (the hello-world reads nothing).
ScratchDir& DataCopy() {
  static ScratchDir dir;
  static const bool copied = [] {
    std::filesystem::copy(SampleDataPath(), dir.path(), std::filesystem::copy_options::recursive);
    return true;
  }();
  (void)copied;
  return dir;
}

void BM_StartToFirstPaint(benchmark::State& state, const char* program) {
  const std::string log = DataCopy().Path("launch.log");
  double peak = 0;
  for (auto _ : state) {
    const Launch launch = RunToFirstPaint(program, log);
    if (!launch.error.empty()) {
      state.SkipWithError(launch.error.c_str());
      break;
    }
    state.SetIterationTime(launch.seconds);
    peak += launch.peakBytes;
  }
  state.counters["peak_rss"] = benchmark::Counter(peak, benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_StartToFirstPaint, program, EIYOU_FIRST_PAINT_PROGRAM)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StartToFirstPaint, hello, EIYOU_FIRST_PAINT_HELLO)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

const char* Platform() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  return platform && *platform ? platform : "offscreen";
}

EIYOU_BENCH_COMPARE({std::string("start to first paint, ") + Platform(),
                     "BM_StartToFirstPaint/program", "BM_StartToFirstPaint/hello",
                     Goal::RatioAtMost(1.2)});
EIYOU_BENCH_COMPARE({std::string("peak RSS to first paint, ") + Platform(),
                     "BM_StartToFirstPaint/program", "BM_StartToFirstPaint/hello",
                     Goal::RatioAtMost(1.3), "peak_rss"});

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", Platform(), 1);
  setenv("EIYOU_FIRST_PAINT_FD", std::to_string(kProbeFd).c_str(), 1);
  // One untimed start of each first: the files they map come from the page
  // cache in every timed run, as they do for a user's second start.
  for (const char* program : {EIYOU_FIRST_PAINT_PROGRAM, EIYOU_FIRST_PAINT_HELLO}) {
    const Launch warm = RunToFirstPaint(program, DataCopy().Path("launch.log"));
    if (!warm.error.empty()) {
      std::fprintf(stderr, "%s: %s\n", program, warm.error.c_str());
      std::fputs(ReadFileBytes(DataCopy().Path("launch.log")).c_str(), stderr);
      return 1;
    }
  }
  return RunBenchmarks(argc, argv, kRepetitions);
}
