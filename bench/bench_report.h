// The table every benchmark binary ends with: each figure beside the floor
// measured in the same run, their ratio and whether the goal was met. Figures
// are medians over repetitions; a run without repetitions uses its one result.
#pragma once

#include <string>
#include <utility>

namespace eiyou::bench {

struct Goal {
  enum Kind { kNone, kRatioAtMost, kSecondsAtMost };
  Kind kind = kNone;
  double limit = 0;

  static Goal None() { return {}; }
  static Goal RatioAtMost(double ratio) { return {kRatioAtMost, ratio}; }
  static Goal SecondsAtMost(double seconds) { return {kSecondsAtMost, seconds}; }
};

struct Comparison {
  Comparison(std::string label_, std::string figure_, std::string floor_, Goal goal_,
             std::string counter_ = {})
      : label(std::move(label_)), figure(std::move(figure_)), floor(std::move(floor_)),
        goal(goal_), counter(std::move(counter_)) {}

  std::string label;    // the row's name in the table
  std::string figure;   // benchmark name, with its arguments ("BM_Open/10000")
  std::string floor;    // benchmark name of the floor; empty when there is none
  Goal goal;
  std::string counter;  // compare this user counter (bytes) instead of the time
};

// Adds a row to the table of this binary, in registration order.
int AddComparison(Comparison comparison);

// Runs the benchmarks chosen on the command line and prints the table. Unless
// given, these are set: `repetitions` runs of at least 0.2 s each (a benchmark
// may fix its own iteration count), aggregates only in the display, and random
// interleaving (figure and floor take turns, which evens out a noisy machine).
// When EIYOU_BENCH_TABLE names a file, the rows are appended to it as
// tab-separated text for scripts/bench.sh. Returns non-zero when a benchmark
// in the table failed or did not run; never because of a figure.
int RunBenchmarks(int argc, char** argv, int repetitions = 9);

}  // namespace eiyou::bench

#define EIYOU_BENCH_CONCAT2(a, b) a##b
#define EIYOU_BENCH_CONCAT(a, b) EIYOU_BENCH_CONCAT2(a, b)
// EIYOU_BENCH_COMPARE({"label", "BM_Figure", "BM_Floor", Goal::RatioAtMost(3)});
#define EIYOU_BENCH_COMPARE(...)                                                           \
  [[maybe_unused]] static const int EIYOU_BENCH_CONCAT(eiyou_bench_comparison_, __LINE__) = \
      ::eiyou::bench::AddComparison(::eiyou::bench::Comparison __VA_ARGS__)
