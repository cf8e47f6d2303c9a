#!/usr/bin/env python3
"""Generate the reference-value sets in data/食事摂取基準/ from the official transcriptions.

Usage: scripts/make_reference_sets.py SHARED_DATA_DIR [--output-dir DIR]

SHARED_DATA_DIR holds the tab-separated transcriptions of the official tables:
  reference-intakes-2020.tsv, energy-requirements-2020.tsv
      厚生労働省「日本人の食事摂取基準（2020年版）」 (all ages, pregnancy, lactation)
  reference-intakes-2025-adults.tsv, energy-requirements-2025-adults.tsv
      厚生労働省「日本人の食事摂取基準（2025年版）」 (adults; cells confirmed twice)
  school-lunch-2021.tsv
      文部科学省「学校給食実施基準」（令和3年2月12日一部改正）別表

Each output keeps its source's columns and cells, UTF-8, LF, with one comment
line first that names the source edition. Two things change:
  - the reference files' header spells the age bounds `periods periode`, as
    the energy files do (the transcription has `reriods reriode`);
  - in the 2025 file, `-` marks a kind of value that the 2025 edition no longer
    gives at all, so that the program does not fill it from 2020: the iron UL
    (FE, FE_M) and the EAR and RDA of vitamin B12 (now an AI). An empty cell
    stays what it is in the transcription: not confirmed twice yet, and the
    2020 value is used in its place.
Python 3 standard library only; a developer's command, never run by the build.
"""
import argparse
import pathlib
import sys

SOURCES = [
    ("reference-intakes-2020.tsv", "食事摂取基準2020.TSV",
     "厚生労働省「日本人の食事摂取基準（2020年版）」"),
    ("energy-requirements-2020.tsv", "エネルギー必要量2020.TSV",
     "厚生労働省「日本人の食事摂取基準（2020年版）」"),
    ("reference-intakes-2025-adults.tsv", "食事摂取基準2025成人.TSV",
     "厚生労働省「日本人の食事摂取基準（2025年版）」"),
    ("energy-requirements-2025-adults.tsv", "エネルギー必要量2025成人.TSV",
     "厚生労働省「日本人の食事摂取基準（2025年版）」"),
    ("school-lunch-2021.tsv", "学校給食摂取基準2021.TSV",
     "文部科学省「学校給食実施基準」（令和3年2月12日一部改正）別表"
     "「児童又は生徒1人1回当たりの学校給食摂取基準」"),
]
REFERENCE_HEADER = ["name", "sex", "period_class", "periods", "periode", "EAR", "RDA", "AI",
                    "UL", "unit", "DG_min", "DG_max", "DG_unit"]
# (name, column) of the 2025 file that the 2025 edition gives no value for.
NONE_IN_2025 = {("FE", "UL"), ("FE_M", "UL"), ("VITB12", "EAR"), ("VITB12", "RDA")}


def convert(source, text):
    lines = text.replace("\r\n", "\n").rstrip("\n").split("\n")
    rows = [line.split("\t") for line in lines]
    if source.startswith("reference-intakes"):
        header = rows[0]
        if header[3:5] == ["reriods", "reriode"]:
            header[3:5] = ["periods", "periode"]
        if header != REFERENCE_HEADER:
            raise SystemExit(f"{source}: unexpected header {header}")
        for row in rows[1:]:
            if len(row) != len(REFERENCE_HEADER):
                raise SystemExit(f"{source}: a row of {len(row)} cells: {row}")
    if source == "reference-intakes-2025-adults.tsv":
        for row in rows[1:]:
            for column in ("EAR", "RDA", "UL"):
                i = REFERENCE_HEADER.index(column)
                if (row[0], column) in NONE_IN_2025:
                    if row[i]:
                        raise SystemExit(f"{source}: {row[0]} {column} is filled: {row}")
                    row[i] = "-"
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("shared_data_dir", type=pathlib.Path)
    parser.add_argument("--output-dir", type=pathlib.Path,
                        default=pathlib.Path(__file__).resolve().parent.parent / "data" / "食事摂取基準")
    args = parser.parse_args()
    args.output_dir.mkdir(parents=True, exist_ok=True)
    for source, target, edition in SOURCES:
        text = (args.shared_data_dir / source).read_text(encoding="utf-8")
        rows = convert(source, text)
        out = "# " + edition + "\n" + "".join("\t".join(row) + "\n" for row in rows)
        (args.output_dir / target).write_text(out, encoding="utf-8", newline="\n")
        print(f"{target}: {len(rows) - 1} rows from {source}", file=sys.stderr)


if __name__ == "__main__":
    main()
