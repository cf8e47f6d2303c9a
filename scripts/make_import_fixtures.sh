#!/usr/bin/env bash
# Regenerates the importer's test fixtures in tests/import/data/ from the text
# export of the official food composition table:
#   scripts/make_import_fixtures.sh SHARED_DATA_DIR
# (the folder holding food-composition-2023.tsv). Same input, same bytes.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if (($# != 1)) || [[ ! -f $1/food-composition-2023.tsv ]]; then
  echo "usage: scripts/make_import_fixtures.sh SHARED_DATA_DIR (with food-composition-2023.tsv)" >&2
  exit 2
fi
build="$repo/build-import-tools"
cmake -S "$repo" -B "$build" -DEIYOU_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j 2 --target make_import_fixtures >/dev/null
"$build/tests/import/make_import_fixtures" "$1" "$repo/tests/import/data"
