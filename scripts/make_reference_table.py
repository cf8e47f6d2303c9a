#!/usr/bin/env python3
"""Generate data/STD.CSV and data/STD_EXTRA.CSV from the official reference intakes.

Usage: scripts/make_reference_table.py SHARED_DATA_DIR [--output FILE] [--extra-output FILE]

SHARED_DATA_DIR holds reference-intakes-2020.tsv and energy-requirements-2020.tsv,
tab-separated transcriptions of 厚生労働省「日本人の食事摂取基準（2020年版）」.
Writes STD.CSV (default: data/STD.CSV of this repository) and prints every
value beside the figures it was made from, for review.

STD.CSV has one line per age class of the program's age lists and ten
male/female pairs per line. The values chosen:
  energy       estimated energy requirement at physical activity level II
               (ages 1-5 have only that one value)
  protein      recommended dietary allowance (RDA), g
  fat          energy x 25 % / 9 kcal per g, one decimal: the middle of the
               20-30 %E goal, since no gram value is given
  calcium, B1, B2, vitamin C   RDA
  iron         RDA; women aged 10-49 the RDA with menstruation, older women
               (the class 50～69歳 included: most of them are past it) without
  vitamin A    RDA in µgRAE x 10 / 3 as IU (1 IU = 0.3 µg retinol), whole
  niacin       RDA in mgNE (the program never reads it)
STD_EXTRA.CSV holds what STD.CSV has no field for, in the same style (11 lines,
male/female pairs), for the dish window's figure table:
  salt         tentative dietary goal (DG), the "less than" value, g
  fibre        tentative dietary goal (DG), the "at least" value, g
A field stays empty where the official tables give no goal (fibre at 1-2 years).
The program's classes 50～69歳 and 70歳以上 straddle the official ones; they
take the official classes that lie wholly inside them, 50-64 and 75 and over.

Whole-number fields hold digits only, because the program's reader of whole
numbers stops at a decimal point; decimal fields keep the source's decimals.
Python 3 standard library only; a developer's command, never run by the build.
"""
import argparse
import csv
import pathlib
import re
import sys
import unicodedata
from fractions import Fraction

REFERENCE_FILE = "reference-intakes-2020.tsv"
ENERGY_FILE = "energy-requirements-2020.tsv"

# The program's age classes, in file order, with the official class (first and
# last year; 999 = "and over") whose figures each takes.
AGE_CLASSES = [
    ("１～２歳", 1, 2), ("３～５歳", 3, 5), ("６～７歳", 6, 7), ("８～９歳", 8, 9),
    ("10～11歳", 10, 11), ("12～14歳", 12, 14), ("15～17歳", 15, 17), ("18～29歳", 18, 29),
    ("30～49歳", 30, 49), ("50～69歳", 50, 64), ("70歳以上", 75, 999),
]
MALE, FEMALE = 0, 1
# Women in these official classes take the iron RDA with menstruation. The
# 50-64 class has a figure with menstruation too, but the program's 50～69歳
# row stands for women most of whom are past it.
MENSTRUATION_YEARS = range(10, 50)
FAT_ENERGY_SHARE = Fraction(25, 100)
FAT_KCAL_PER_G = 9
IU_PER_UG_RETINOL = Fraction(10, 3)
WHOLE = re.compile(r"[0-9]+\Z")
DECIMAL = re.compile(r"[0-9]+(\.[0-9]+)?\Z")


class DataError(Exception):
    pass


def round_half_away(value, decimals=0):
    """Rounds an exact, non-negative Fraction to `decimals` places, halves up; as text."""
    scaled = value * 10 ** decimals
    units = int(scaled) + (1 if scaled - int(scaled) >= Fraction(1, 2) else 0)
    text = str(units).rjust(decimals + 1, "0")
    return text[:-decimals] + "." + text[-decimals:] if decimals else text


def read_tsv(path):
    """The rows of a tab-separated file as dicts; CR LF or LF line ends."""
    try:
        with open(path, encoding="utf-8", newline="") as f:
            lines = [line.rstrip("\r\n") for line in f]
    except OSError as e:
        raise DataError(f"{path}: cannot read ({e.strerror})")
    rows = list(csv.reader(lines, delimiter="\t"))
    if not rows:
        raise DataError(f"{path}: empty")
    header = [h.strip() for h in rows[0]]
    # The reference file's header spells the age bounds "reriods"/"reriode".
    header = [{"reriods": "periods", "reriode": "periode"}.get(h, h) for h in header]
    return [dict(zip(header, r)) for r in rows[1:] if any(c.strip() for c in r)]


def years(text):
    """An age bound in years; "-" or 999 (no upper bound) gives 999."""
    text = text.strip()
    return 999 if text in ("-", "") else int(text)


class Reference:
    def __init__(self, folder):
        self.values = {}
        for r in read_tsv(folder / REFERENCE_FILE):
            if r.get("period_class") != "y":
                continue
            key = (r["name"], int(r["sex"]), years(r["periods"]), years(r["periode"]))
            self.values[key] = r
        self.energy = {}
        for r in read_tsv(folder / ENERGY_FILE):
            if r.get("period_class") != "y":
                continue
            sex = {"m": MALE, "f": FEMALE}[r["sex"]]
            self.energy[(sex, years(r["periods"]), years(r["periode"]))] = r

    def rda(self, name, sex, first, last):
        r = self.values.get((name, sex, first, last))
        text = (r or {}).get("RDA", "").strip()
        if not text:
            raise DataError(f"{REFERENCE_FILE}: no RDA of {name}, sex {sex}, age {first}-{last}")
        return text

    def eer(self, sex, first, last):
        r = self.energy.get((sex, first, last))
        text = (r or {}).get("pal2", "").strip()
        if not text or text == "-":
            raise DataError(f"{ENERGY_FILE}: no level II energy for sex {sex}, age {first}-{last}")
        return text


def whole(text, what):
    if not WHOLE.match(text):
        raise DataError(f"{what}: {text!r} is not a whole number")
    return str(int(text))


def decimal(text, what):
    """Kept as written: the official decimals, no more."""
    if not DECIMAL.match(text):
        raise DataError(f"{what}: {text!r} is not a plain decimal number")
    return text


def make_row(ref, first, last):
    """The 20 fields of one age class, with notes on where each came from."""
    fields, notes = [], []
    for sex in (MALE, FEMALE):
        what = f"sex {sex}, age {first}-{last}"
        energy = whole(ref.eer(sex, first, last), what + " energy")
        iron_name = "FE_M" if sex == FEMALE and first in MENSTRUATION_YEARS else "FE"
        vita = ref.rda("VITA_RAE", sex, first, last)
        fat = round_half_away(Fraction(int(energy)) * FAT_ENERGY_SHARE / FAT_KCAL_PER_G, 1)
        fields.append([
            energy,
            whole(ref.rda("PROTV", sex, first, last), what + " protein"),
            fat,
            whole(ref.rda("CA", sex, first, last), what + " calcium"),
            decimal(ref.rda(iron_name, sex, first, last), what + " iron"),
            round_half_away(Fraction(whole(vita, what + " vitamin A")) * IU_PER_UG_RETINOL),
            decimal(ref.rda("THIA", sex, first, last), what + " B1"),
            decimal(ref.rda("RIBF", sex, first, last), what + " B2"),
            whole(ref.rda("NE", sex, first, last), what + " niacin"),
            whole(ref.rda("VITC", sex, first, last), what + " vitamin C"),
        ])
        notes.append(f"{iron_name} {vita}µgRAE")
    male, female = fields
    return [v for pair in zip(male, female) for v in pair], notes


def goal(ref, name, column, sex, first, last):
    """A dietary goal as written ("" where none is given)."""
    r = ref.values.get((name, sex, first, last))
    if r is None:
        raise DataError(f"{REFERENCE_FILE}: no row of {name}, sex {sex}, age {first}-{last}")
    text = r.get(column, "").strip()
    return decimal(text, f"{name} {column}, sex {sex}, age {first}-{last}") if text else ""


def make_extra_row(ref, first, last):
    """Salt (DG max) and fibre (DG min) as male/female pairs."""
    return [goal(ref, "NACL_EQ", "DG_max", sex, first, last) for sex in (MALE, FEMALE)] + \
           [goal(ref, "FIB", "DG_min", sex, first, last) for sex in (MALE, FEMALE)]


def pad(text, width):
    """Pads to `width` terminal columns; full-width characters take two."""
    used = sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)
    return text + " " * max(width - used, 0)


COLUMN_NAMES = ["kcal", "prot", "fat", "Ca", "Fe", "VA_IU", "B1", "B2", "NE", "VC"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("shared_data_dir", type=pathlib.Path)
    parser.add_argument("--output", type=pathlib.Path,
                        default=pathlib.Path(__file__).resolve().parent.parent / "data" / "STD.CSV")
    parser.add_argument("--extra-output", type=pathlib.Path, default=None,
                        help="STD_EXTRA.CSV (default: beside the output)")
    args = parser.parse_args()
    extra_output = args.extra_output or args.output.with_name("STD_EXTRA.CSV")
    try:
        ref = Reference(args.shared_data_dir)
        rows = [(label, first, last, *make_row(ref, first, last))
                for label, first, last in AGE_CLASSES]
        extra_rows = [make_extra_row(ref, first, last) for _, first, last in AGE_CLASSES]
    except DataError as e:
        print(f"make_reference_table: {e}", file=sys.stderr)
        return 1

    text = "".join(",".join(fields) + "\r\n" for _, _, _, fields, _ in rows)
    args.output.write_bytes(text.encode("cp932"))
    extra_text = "".join(",".join(fields) + "\r\n" for fields in extra_rows)
    extra_output.write_bytes(extra_text.encode("cp932"))

    print(f"{args.output}: {len(rows)} age classes")
    print(f"{'class':<10}{'from':>7} sex " + "".join(f"{n:>7}" for n in COLUMN_NAMES) + "  notes")
    for label, first, last, fields, notes in rows:
        source = f"{first}-{'' if last == 999 else last}"
        for sex, name in ((MALE, "M"), (FEMALE, "F")):
            head, src = (label, source) if sex == MALE else ("", "")
            print(pad(head, 10) + f"{src:>7}  {name} " + "".join(f"{v:>7}" for v in fields[sex::2])
                  + "  " + notes[sex])
    print(f"{extra_output}: {len(extra_rows)} age classes (salt < g, fibre >= g)")
    for (label, _, _), fields in zip(AGE_CLASSES, extra_rows):
        print(pad(label, 10) + "".join(f"{v or '-':>7}" for v in fields))
    return 0


if __name__ == "__main__":
    sys.exit(main())
