#!/bin/sh
# eiyou-data store-days: the sample month is stored whole; a file with one bad
# line, or naming a day already stored, stores nothing.
# usage: store_days.sh EIYOU-DATA DATA-FOLDER SAMPLE.TSV
set -eu
tool=$1 data=$2 sample=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$data/." "$work/"

"$tool" store-days "$sample" "$work" | grep -q ': 21 days stored$'
size=$(wc -c <"$work/KONDATE/献立表.db")

# Again: every day is stored already.
if "$tool" store-days "$sample" "$work" 2>"$work/err"; then exit 1; fi
grep -q '2025-06-02 is already stored' "$work/err"

# A new day beside a dish the file lacks: neither is stored.
printf '2025-07-01\t昼食\tごはん\n2025-07-02\t昼食\tない料理\n' >"$work/bad.tsv"
if "$tool" store-days "$work/bad.tsv" "$work" 2>"$work/err"; then exit 1; fi
grep -q "bad.tsv:2: dish 'ない料理' is not in the dish file" "$work/err"
printf '2025-07-01\t昼食\tごはん\n' >"$work/one.tsv"
"$tool" store-days "$work/one.tsv" "$work" | grep -q ': 1 days stored$'
test "$size" -gt 0
