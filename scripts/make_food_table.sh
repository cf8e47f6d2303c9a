#!/usr/bin/env bash
# Regenerates the bundled food table from the text export of the official
# figures (文部科学省「日本食品標準成分表（八訂）増補2023年」):
#   scripts/make_food_table.sh SHARED_DATA_DIR
# (the folder holding food-composition-2023.tsv). Builds eiyou-import, imports
# all foods into a scratch folder and puts data/食品成分表５訂.CSV,
# data/食品成分表５訂.MARKS, data/食品成分表５訂.COMPONENTS and
# data/食品成分表５訂.EDITION in place. The text
# export has no title rows, so the edition is given. Same input, same bytes.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if (($# != 1)) || [[ ! -f $1/food-composition-2023.tsv ]]; then
  echo "usage: scripts/make_food_table.sh SHARED_DATA_DIR (with food-composition-2023.tsv)" >&2
  exit 2
fi
source_file=$(cd "$1" && pwd)/food-composition-2023.tsv

build="$repo/build-food-table"
cmake -S "$repo" -B "$build" -DEIYOU_BUILD_GUI=OFF -DEIYOU_BUILD_TESTS=OFF \
      -DEIYOU_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j 2 --target eiyou-import >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$build/src/import/eiyou-import" --output "$scratch" --edition "食品成分表（八訂）増補2023年" \
  "$source_file"
mv "$scratch/食品成分表５訂.CSV" "$scratch/食品成分表５訂.MARKS" "$scratch/食品成分表５訂.COMPONENTS" \
  "$scratch/食品成分表５訂.EDITION" "$repo/data/"
echo "data/食品成分表５訂.CSV, .MARKS, .COMPONENTS and .EDITION regenerated" >&2
