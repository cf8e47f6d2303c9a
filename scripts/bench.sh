#!/usr/bin/env bash
# Installs what is missing (PostgreSQL too, for the server's benchmark), builds
# the benchmarks in Release into build-bench/, runs them all and prints one
# table: each figure (a median over repetitions) beside its floor measured in
# the same run, their ratio and the goal.
# Speed never fails this script: it returns non-zero only when something could
# not be built or run. Extra arguments go to every benchmark binary (Google
# Benchmark flags, e.g. --benchmark_repetitions=5). The full output of each
# binary, and its results as JSON, are kept in build-bench/results/.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/setup_common.sh
source "$repo/scripts/setup_common.sh"

eiyou_install_packages "${EIYOU_BUILD_PACKAGES[@]}" libbenchmark-dev postgresql

build="$repo/build-bench"
results="$build/results"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DEIYOU_BUILD_GUI=ON \
  -DEIYOU_BUILD_TESTS=OFF -DEIYOU_BUILD_BENCH=ON -DEIYOU_BUILD_FUZZ=OFF -DEIYOU_SANITIZE=OFF \
  >/dev/null
cmake --build "$build" -j "$(eiyou_jobs)" --target eiyou_bench eiyou_bench_gui eiyou_bench_startup eiyou_bench_import \
  eiyou_bench_plans eiyou_bench_server
mkdir -p "$results"

table="$results/table.tsv"
: >"$table"
export EIYOU_BENCH_TABLE="$table"
status=0

# run NAME COMMAND...: output to results/NAME.txt, results to results/NAME.json.
run() {
  local name=$1
  shift
  eiyou_say "running $name ..."
  if ! "$@" "--benchmark_out=$results/$name.json" --benchmark_out_format=json \
    >"$results/$name.txt" 2>&1; then
    eiyou_say "$name did not run through; the end of its output:"
    tail -n 20 "$results/$name.txt" >&2
    return 1
  fi
}

run core "$build/bench/eiyou_bench" "$@" || status=1
run gui env QT_QPA_PLATFORM=offscreen "$build/bench/eiyou_bench_gui" "$@" || status=1
run startup env QT_QPA_PLATFORM=offscreen "$build/bench/eiyou_bench_startup" "$@" || status=1
run import "$build/bench/eiyou_bench_import" "$@" || status=1
run plans "$build/bench/eiyou_bench_plans" "$@" || status=1
run server "$build/bench/eiyou_bench_server" "$@" || status=1

# The start-up once more on a real X server: the user's display when there is
# one, else a virtual one when Xvfb is installed. An extra, so it never fails
# the script.
if [[ -n "${DISPLAY:-}" ]]; then
  run startup-x env QT_QPA_PLATFORM=xcb "$build/bench/eiyou_bench_startup" "$@" ||
    eiyou_say "start-up on the X server could not be measured"
elif command -v xvfb-run >/dev/null 2>&1 && command -v xauth >/dev/null 2>&1; then
  run startup-x xvfb-run -a env QT_QPA_PLATFORM=xcb "$build/bench/eiyou_bench_startup" "$@" ||
    eiyou_say "start-up under Xvfb could not be measured"
fi

echo
awk -F'\t' '
  BEGIN { printf "%-42s %12s %12s %8s  %s\n", "benchmark", "figure", "floor", "ratio", "goal"
          printf "%-42s %12s %12s %8s  %s\n", "---------", "------", "-----", "-----", "----" }
  { printf "%-42s %12s %12s %8s  %s\n", $1, $2, $3, $4, $5 }' "$table"
echo
echo "figure and floor: medians over repetitions, figure and floor taking turns;"
echo "ratio: figure / floor. Details: $results/"
exit "$status"
