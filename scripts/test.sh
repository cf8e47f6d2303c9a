#!/usr/bin/env bash
# Installs what is missing, builds eiyou with its tests and benchmarks in build-test/
# and runs the whole test suite headless. Extra arguments go to ctest (e.g. -R core).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/setup_common.sh
source "$repo/scripts/setup_common.sh"

test_packages=(
  "${EIYOU_BUILD_PACKAGES[@]}"
  libgtest-dev libgmock-dev libbenchmark-dev
  # locale sources, so that a test can build a locale with a decimal comma
  locales
  # the print test: its own CUPS daemon with a PDF queue, and PDF inspection
  cups printer-driver-cups-pdf poppler-utils
  # screenshots under a virtual X server
  xvfb xauth imagemagick
)
eiyou_install_packages "${test_packages[@]}"

build="$repo/build-test"
cmake -S "$repo" -B "$build" >/dev/null
cmake --build "$build" -j "$(eiyou_jobs)"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure "$@"
