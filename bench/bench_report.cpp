#include "bench_report.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <vector>

namespace eiyou::bench {
namespace {

std::vector<Comparison>& Registry() {
  static std::vector<Comparison> comparisons;
  return comparisons;
}

struct Result {
  double seconds = 0;                  // real (or manual) time per iteration
  std::map<std::string, double> counters;
  bool median = false;                 // from the median aggregate
  bool failed = false;
  std::string error;
};

std::string Key(const benchmark::BenchmarkReporter::Run& run) {
  const benchmark::BenchmarkName& n = run.run_name;
  return n.args.empty() ? n.function_name : n.function_name + "/" + n.args;
}

// Shows the usual console output and keeps each benchmark's median.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      Result& r = results_[Key(run)];
      if (run.error_occurred) {
        r.failed = true;
        r.error = run.error_message;
        continue;
      }
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      // The median wins; without repetitions the single run stands.
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      if (r.median && !median) continue;
      r.median = median;
      r.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      r.counters.clear();
      for (const auto& [name, counter] : run.counters) r.counters[name] = counter.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  const Result* Find(const std::string& key) const {
    auto it = results_.find(key);
    return it == results_.end() ? nullptr : &it->second;
  }

 private:
  std::map<std::string, Result> results_;
};

std::string FormatSeconds(double s) {
  char text[32];
  if (s >= 1)
    std::snprintf(text, sizeof text, "%.2f s", s);
  else if (s >= 1e-3)
    std::snprintf(text, sizeof text, "%.2f ms", s * 1e3);
  else if (s >= 1e-6)
    std::snprintf(text, sizeof text, "%.1f us", s * 1e6);
  else
    std::snprintf(text, sizeof text, "%.0f ns", s * 1e9);
  return text;
}

std::string FormatBytes(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
  return text;
}

std::string GoalText(const Goal& goal, const Comparison& c) {
  char text[48];
  switch (goal.kind) {
    case Goal::kNone:
      return "-";
    case Goal::kRatioAtMost:
      std::snprintf(text, sizeof text, "<= %gx floor", goal.limit);
      return text;
    case Goal::kSecondsAtMost:
      return "<= " + (c.counter.empty() ? FormatSeconds(goal.limit) : FormatBytes(goal.limit));
  }
  return "-";
}

struct Row {
  std::string label, figure, floor, ratio, goal;
  bool ranAll = true;
};

std::optional<double> Value(const Result* r, const std::string& counter) {
  if (!r || r->failed) return std::nullopt;
  if (counter.empty()) return r->seconds;
  auto it = r->counters.find(counter);
  if (it == r->counters.end()) return std::nullopt;
  return it->second;
}

Row MakeRow(const Comparison& c, const TableReporter& reporter) {
  Row row;
  row.label = c.label;
  auto format = [&](double v) { return c.counter.empty() ? FormatSeconds(v) : FormatBytes(v); };
  auto describe = [&](const std::string& name, std::optional<double> v) -> std::string {
    const Result* r = reporter.Find(name);
    if (v) return format(*v);
    row.ranAll = false;
    if (r && r->failed) return "failed: " + r->error;
    return "did not run";
  };
  const std::optional<double> figure = Value(reporter.Find(c.figure), c.counter);
  row.figure = describe(c.figure, figure);
  std::optional<double> floor;
  if (c.floor.empty()) {
    row.floor = "-";
  } else {
    floor = Value(reporter.Find(c.floor), c.counter);
    row.floor = describe(c.floor, floor);
  }
  std::optional<double> ratio;
  if (figure && floor && *floor > 0) {
    ratio = *figure / *floor;
    char text[32];
    std::snprintf(text, sizeof text, "%.2fx", *ratio);
    row.ratio = text;
  } else {
    row.ratio = "-";
  }
  row.goal = GoalText(c.goal, c);
  std::optional<bool> met;
  if (c.goal.kind == Goal::kRatioAtMost && ratio) met = *ratio <= c.goal.limit;
  if (c.goal.kind == Goal::kSecondsAtMost && figure) met = *figure <= c.goal.limit;
  if (c.goal.kind != Goal::kNone) row.goal += met ? (*met ? ": met" : ": MISSED") : ": not measured";
  return row;
}

bool HasFlag(int argc, char** argv, const char* name) {
  const std::size_t n = std::strlen(name);
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], name, n) == 0) return true;
  return false;
}

}  // namespace

int AddComparison(Comparison comparison) {
  Registry().push_back(std::move(comparison));
  return 0;
}

int RunBenchmarks(int argc, char** argv, int repetitions) {
  std::vector<char*> args(argv, argv + argc);
  std::string repeat = "--benchmark_repetitions=" + std::to_string(repetitions);
  char aggregates[] = "--benchmark_report_aggregates_only=true";
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  char minTime[] = "--benchmark_min_time=0.2";
  if (!HasFlag(argc, argv, "--benchmark_repetitions")) args.push_back(repeat.data());
  if (!HasFlag(argc, argv, "--benchmark_report_aggregates_only") &&
      !HasFlag(argc, argv, "--benchmark_display_aggregates_only"))
    args.push_back(aggregates);
  if (!HasFlag(argc, argv, "--benchmark_enable_random_interleaving")) args.push_back(interleave);
  if (!HasFlag(argc, argv, "--benchmark_min_time")) args.push_back(minTime);
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;

  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const bool filtered = HasFlag(argc, argv, "--benchmark_filter=");
  std::vector<Row> rows;
  bool ok = true;
  for (const Comparison& c : Registry()) {
    Row row = MakeRow(c, reporter);
    // With a filter, rows that did not run at all are simply not shown.
    if (filtered && !reporter.Find(c.figure)) continue;
    ok = ok && row.ranAll;
    rows.push_back(std::move(row));
  }

  std::printf("\n%-44s %12s %12s %8s  %s\n", "benchmark", "figure", "floor", "ratio", "goal");
  for (const Row& r : rows)
    std::printf("%-44s %12s %12s %8s  %s\n", r.label.c_str(), r.figure.c_str(), r.floor.c_str(),
                r.ratio.c_str(), r.goal.c_str());
  std::fflush(stdout);

  if (const char* table = std::getenv("EIYOU_BENCH_TABLE"); table && *table) {
    std::ofstream out(table, std::ios::app);
    for (const Row& r : rows)
      out << r.label << '\t' << r.figure << '\t' << r.floor << '\t' << r.ratio << '\t' << r.goal
          << '\n';
    if (!out.good()) {
      std::fprintf(stderr, "cannot append to %s\n", table);
      ok = false;
    }
  }
  return ok ? 0 : 1;
}

}  // namespace eiyou::bench
