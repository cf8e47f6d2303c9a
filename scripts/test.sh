#!/usr/bin/env bash
# Installs what is missing and runs the whole test suite headless, in four stages:
#   normal    build-test/:  the program, its tests and benchmarks, built as the
#                           package builds them (Release, Debian's hardening
#                           flags), then ctest (the window, report, import, plan
#                           and core tests twice: in C.UTF-8 and in de_DE.UTF-8,
#                           whose decimal comma must change nothing; ctest -L de_DE);
#             build-core/:  the core and its tests alone, without Qt;
#             build-embed/: a small project that includes this one and links its windows;
#   sanitize  build-asan/:  the core's, store's, importer's and reports' tests
#                           built with AddressSanitizer and
#                           UndefinedBehaviorSanitizer (any report fails the run);
#   fuzz      build-fuzz/:  every libFuzzer target for a short time on the seed
#                           corpus in fuzz/corpus (scripts/fuzz.sh);
#   package   build-package/: the Debian package, built, checked, installed,
#                           started as a new user and removed (scripts/test_package.sh).
# The builds go through ccache: what the core, embedded and package builds
# compile as the normal build did is compiled once. The time of each stage is
# printed at the end.
# Extra arguments go to both ctest runs (e.g. -R core). The environment variable
# EIYOU_TEST_STAGES picks stages (default "normal sanitize fuzz package"), and
# EIYOU_FUZZ_SECONDS the time per fuzz target (default 5).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/setup_common.sh
source "$repo/scripts/setup_common.sh"

stages=" ${EIYOU_TEST_STAGES:-normal sanitize fuzz package} "

test_packages=(
  "${EIYOU_BUILD_PACKAGES[@]}"
  libgtest-dev libgmock-dev libbenchmark-dev
  # a throw-away PostgreSQL server for the store's tests (scripts/pg_test_server.sh)
  postgresql
  # locale sources: the de_DE.UTF-8 locale of the second test run is made from them
  locales
  # the print test: its own CUPS daemon with a PDF queue, and PDF inspection
  cups printer-driver-cups-pdf poppler-utils
  # screenshots under a virtual X server
  xvfb xauth imagemagick
  # the fuzz targets: clang with its sanitizer and libFuzzer runtimes
  clang libclang-rt-14-dev
  # one compilation of what several builds compile alike, and a build tool
  # that keeps both cores busy across targets
  ccache ninja-build
  # the package: its checkers and the tools to find its window on X
  "${EIYOU_PACKAGE_TEST_PACKAGES[@]}"
)
# Each stage's time, printed at the end whatever the outcome.
stage_times=()
stage_started=$SECONDS
run_started=$SECONDS
stage_done() {
  stage_times+=("$(printf '%-10s %4d s' "$1" $((SECONDS - stage_started)))")
  stage_started=$SECONDS
}
print_times() {
  local status=$?
  ((${#stage_times[@]} > 0)) || return "$status"
  eiyou_say "stage times:"
  printf '  %s\n' "${stage_times[@]}" "$(printf '%-10s %4d s' total $((SECONDS - run_started)))" >&2
  return "$status"
}
trap print_times EXIT

eiyou_install_packages "${test_packages[@]}"

# The locale with a decimal comma that the "_de_DE" tests run in; without it
# they are skipped and say so.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  as_root=()
  ((EUID == 0)) || as_root=(sudo)
  eiyou_say "making the locale de_DE.UTF-8"
  # Without it the second-locale runs would only be skipped: a number that
  # depends on the locale could come back unseen.
  "${as_root[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8 || {
    eiyou_say "could not make the locale de_DE.UTF-8 (the package locales is needed)"
    exit 1
  }
fi
stage_done install

export QT_QPA_PLATFORM=offscreen
# Every build below compiles through ccache, shared across the build folders,
# and new build folders are made for Ninja (an existing one keeps its own).
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$repo" CCACHE_NOHASHDIR=1
  # Without these ccache passes over every unit that uses a precompiled header.
  export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
fi
if command -v ninja >/dev/null 2>&1; then export CMAKE_GENERATOR=Ninja; fi
# The flags of the package build (scripts/test_package.sh): the normal, core
# and embedded builds use them too, so that they compile the same objects.
# Debian's -O2 stands, not CMake's -O3 for Release.
release_flags=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG
  "-DCMAKE_CXX_FLAGS=$(eiyou_hardening_flags CXXFLAGS) $(eiyou_hardening_flags CPPFLAGS)"
  "-DCMAKE_EXE_LINKER_FLAGS=$(eiyou_hardening_flags LDFLAGS)")

if [[ $stages == *" normal "* ]]; then
  eiyou_say "normal build and tests (build-test/)"
  build="$repo/build-test"
  cmake -S "$repo" -B "$build" "${release_flags[@]}" >/dev/null
  cmake --build "$build" -j "$(eiyou_jobs)"
  ctest --test-dir "$build" --output-on-failure -j "$(eiyou_jobs)" "$@"

  eiyou_say "the core alone, without Qt (build-core/)"
  build="$repo/build-core"
  cmake -S "$repo" -B "$build" "${release_flags[@]}" -DEIYOU_BUILD_GUI=OFF -DEIYOU_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build" -j "$(eiyou_jobs)"
  ctest --test-dir "$build" --output-on-failure -j "$(eiyou_jobs)" "$@"

  eiyou_say "built as a part of another project (build-embed/)"
  build="$repo/build-embed"
  cmake -S "$repo/tests/embed" -B "$build" "${release_flags[@]}" >/dev/null
  cmake --build "$build" -j "$(eiyou_jobs)"
  "$build/embedded"
  stage_done normal
fi

if [[ $stages == *" sanitize "* ]]; then
  eiyou_say "tests under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/)"
  build="$repo/build-asan"
  # Unoptimised, with line tables only: compiled in a third of the time the
  # optimised build with full debug information takes, and the sanitizers
  # miss nothing an optimiser could have folded away. The second-locale runs
  # stay in the normal stage: the code they run is the same. Without the
  # windows: the plain C++ libraries, where the parsing, the arithmetic and
  # the store live, are what memory errors would hide in; compiling the
  # windows and their tests again took longer than the rest of the stage
  # (the windows run under the sanitizers when a developer asks for them:
  # EIYOU_SANITIZE_GUI=ON).
  cmake -S "$repo" -B "$build" -DEIYOU_SANITIZE=ON -DEIYOU_BUILD_BENCH=OFF \
    -DEIYOU_BUILD_GUI="${EIYOU_SANITIZE_GUI:-OFF}" \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 >/dev/null
  cmake --build "$build" -j "$(eiyou_jobs)"
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_stack_use_after_return=1:check_initialization_order=1" \
  UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}print_stacktrace=1" \
    ctest --test-dir "$build" --output-on-failure -j "$(eiyou_jobs)" -LE de_DE "$@"
  stage_done sanitize
fi

if [[ $stages == *" fuzz "* ]]; then
  eiyou_say "short fuzz runs (build-fuzz/)"
  "$repo/scripts/fuzz.sh" "${EIYOU_FUZZ_SECONDS:-5}"
  stage_done fuzz
fi

if [[ $stages == *" package "* ]]; then
  eiyou_say "the Debian package (build-package/)"
  "$repo/scripts/test_package.sh"
  stage_done package
fi
