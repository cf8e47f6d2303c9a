#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer)
# in build-fuzz/ and runs each one for a bounded time on a scratch copy of its
# seed corpus in fuzz/corpus/<target>/ (the repository's corpus is never written).
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [-- EXTRA_LIBFUZZER_ARGS...]
#
#   SECONDS_PER_TARGET  default 30. 0 removes the time bound: give one yourself,
#                       e.g. scripts/fuzz.sh 0 -- -runs=10000000
#
# Environment:
#   EIYOU_FUZZ_TARGETS      only these targets, e.g. "parse_real dish_file"
#   EIYOU_FUZZ_JOBS         targets run at the same time (default: one per core;
#                           1 leaves the other cores to other work)
#   EIYOU_FUZZ_KEEP_CORPUS  1: go on from the corpus the last run of a target
#                           grew in build-fuzz/fuzz-run/<target>/corpus instead
#                           of a fresh copy of the seeds (for long campaigns)
#   EIYOU_FUZZ_RUN_DIR      where the logs, corpora and reproducers go instead of
#                           build-fuzz/fuzz-run (for a run beside another one)
#
# Prints one line per target: name, result, executions, time, executions per
# second, coverage. Each target's whole log is build-fuzz/fuzz-run/<target>/log.
# Exits non-zero when any target finds a crash, a leak, a timeout, an
# out-of-memory or a sanitizer report; the reproducer stays in that folder and
# its path is printed with the tail of the log.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/setup_common.sh
source "$repo/scripts/setup_common.sh"

seconds=30
if (($# > 0)) && [[ $1 != -- ]]; then
  seconds=$1
  shift
fi
if (($# > 0)) && [[ $1 == -- ]]; then shift; fi
extra=("$@")
if ! [[ $seconds =~ ^[0-9]+$ ]]; then
  eiyou_say "usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [-- EXTRA_LIBFUZZER_ARGS...]"
  exit 2
fi

# Per input: a reader that takes longer than this on a few KB is a finding.
per_input_timeout=10
rss_limit_mb=2048

eiyou_install_packages build-essential cmake clang libclang-rt-14-dev libzip-dev libxml2-dev \
  libsqlite3-dev

build="$repo/build-fuzz"
runs="${EIYOU_FUZZ_RUN_DIR:-$build/fuzz-run}"
mkdir -p "$runs"
eiyou_say "building the fuzz targets (build-fuzz/)"
# Line tables only: enough for a finding's stack, and much quicker to build.
if ! { CC=clang CXX=clang++ cmake -S "$repo" -B "$build" -DEIYOU_BUILD_FUZZ=ON \
         -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
         -DEIYOU_BUILD_GUI=OFF -DEIYOU_BUILD_TESTS=OFF -DEIYOU_BUILD_BENCH=OFF &&
       cmake --build "$build" -j "$(eiyou_jobs)" --target fuzz_all; } >"$runs/build.log" 2>&1; then
  tail -n 40 "$runs/build.log" >&2
  eiyou_say "the fuzz build failed; whole log: $runs/build.log"
  exit 1
fi

# Every target, or those asked for.
targets=()
if [[ -n ${EIYOU_FUZZ_TARGETS:-} ]]; then
  for t in $EIYOU_FUZZ_TARGETS; do targets+=("${t#fuzz_}"); done
else
  for src in "$repo"/fuzz/fuzz_*.cpp; do
    t=$(basename "$src" .cpp)
    targets+=("${t#fuzz_}")
  done
fi

# The targets write their input files here, in memory where possible.
if [[ -d /dev/shm && -w /dev/shm ]]; then
  scratch=$(mktemp -d /dev/shm/eiyou-fuzz.XXXXXX)
else
  scratch=$(mktemp -d)
fi
trap 'rm -rf "$scratch"' EXIT

# Runs one target; writes its summary line to $dir/result and returns non-zero
# on a finding.
run_target() {
  local name=$1
  local exe="$build/fuzz/fuzz_$name"
  local dir="$runs/$name"
  if [[ ! -x $exe ]]; then
    echo "fuzz_$name: no such target" >&2
    return 1
  fi
  mkdir -p "$dir"
  rm -f "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-* "$dir"/result "$dir"/failure
  if [[ ${EIYOU_FUZZ_KEEP_CORPUS:-0} != 1 || ! -d $dir/corpus ]]; then
    rm -rf "$dir/corpus"
    mkdir -p "$dir/corpus"
    if [[ -d $repo/fuzz/corpus/$name ]]; then cp -R "$repo/fuzz/corpus/$name/." "$dir/corpus/"; fi
  fi
  local args=(-timeout="$per_input_timeout" -rss_limit_mb="$rss_limit_mb"
              -print_final_stats=1 -artifact_prefix="$dir/")
  if ((seconds > 0)); then args+=(-max_total_time="$seconds"); fi
  if [[ -f $repo/fuzz/$name.dict ]]; then args+=(-dict="$repo/fuzz/$name.dict"); fi

  local start end rc=0
  start=$(date +%s.%N)
  EIYOU_FUZZ_DIR="$scratch/$name" nice -n 10 "$exe" "${args[@]}" "${extra[@]}" "$dir/corpus" \
    >"$dir/log" 2>&1 || rc=$?
  end=$(date +%s.%N)

  local execs cov ft elapsed rate verdict=ok
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' "$dir/log" | tail -n 1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$dir/log" | tail -n 1 | cut -d' ' -f2)
  # date's seconds have a point; awk would read them in the locale's form.
  elapsed=$(LC_ALL=C awk -v a="$start" -v b="$end" 'BEGIN { printf "%.0f", b - a }')
  rate=$(LC_ALL=C awk -v n="${execs:-0}" -v a="$start" -v b="$end" \
           'BEGIN { d = b - a; printf "%.0f", (d > 0 ? n / d : 0) }')
  local found=()
  for f in "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-*; do
    [[ -e $f ]] && found+=("$f")
  done
  if ((rc != 0 || ${#found[@]} > 0)); then verdict=FAILED; fi
  printf '%-22s %-6s %12s execs %6ss %9s/s  cov %5s  ft %6s\n' "fuzz_$name" "$verdict" \
    "${execs:-?}" "$elapsed" "$rate" "${cov:-?}" "${ft:-?}" >"$dir/result"
  if [[ $verdict != ok ]]; then
    {
      echo "---- fuzz_$name: exit status $rc; last lines of $dir/log:"
      tail -n 40 "$dir/log"
      for f in "${found[@]}"; do echo "reproducer: $f"; done
      echo "replay: $exe $([[ ${#found[@]} -gt 0 ]] && echo "${found[0]}")"
      echo "----"
    } >"$dir/failure"
    return 1
  fi
  rm -f "$dir/failure"
  return 0
}

jobs=${EIYOU_FUZZ_JOBS:-$(eiyou_jobs)}
commit=$(git -C "$repo" describe --always --dirty 2>/dev/null || echo unknown)
eiyou_say "fuzzing ${#targets[@]} targets at $commit, ${seconds}s each${extra[*]:+, with ${extra[*]}}"
printf '%-22s %-6s %12s       %7s %11s  %9s  %9s\n' target result executions time rate coverage features
failed=0
report() {
  cat "$runs/$1/result" 2>/dev/null || printf '%-22s FAILED\n' "fuzz_$1"
  if [[ -f $runs/$1/failure ]]; then cat "$runs/$1/failure"; fi
}
if ((jobs <= 1)); then
  for t in "${targets[@]}"; do
    run_target "$t" || failed=1
    report "$t"
  done
else
  pids=()
  for t in "${targets[@]}"; do
    while (($(jobs -rp | wc -l) >= jobs)); do wait -n || true; done
    run_target "$t" &
    pids+=($!)
  done
  for i in "${!targets[@]}"; do
    wait "${pids[$i]}" || failed=1
    report "${targets[$i]}"
  done
fi

if ((failed)); then
  eiyou_say "fuzzing found problems (see above); logs in $runs/"
  exit 1
fi
eiyou_say "fuzzing found nothing; logs in $runs/"
