#!/usr/bin/env python3
"""Check the data files of a data folder before handing them to eiyou.

Usage: scripts/check_data.py [FOLDER]      (default: the repository's data/)

Checks that the food composition table, the reference intake table and the
dish file are CP932 text with CR LF line ends and the expected field counts,
that food numbers carry their group in their first two bytes, and that every
food of every saved dish points at the right line of the food table.
Exits with status 1 and one line per problem when something is wrong.
"""
import pathlib
import re
import sys

FOOD_FILE = "食品成分表５訂.CSV"
REFERENCE_FILE = "STD.CSV"
DISH_FILE = pathlib.Path("KONDATE") / "献立.TXT"
MAX_FOODS = 1834
REFERENCE_ROWS = 11

CUISINES = ["和      食", "洋      食", "中      華"]
CATEGORIES = ["汁 も の", "飯 も の", "煮 も の", "蒸しもの", "焼きもの", "揚げもの", "いため物",
              "寄せもの", "なまもの", "酢のもの", "あえもの", "飲みもの", "そ の 他"]

# Columns of the food table read as whole numbers (1-based); the others hold decimals.
FOOD_WHOLE_COLUMNS = {3, 10, 17, 21}
# Fields of the reference table read as whole numbers, and as decimal numbers.
REFERENCE_WHOLE_FIELDS = {1, 2, 3, 4, 7, 8, 11, 12, 19, 20}
REFERENCE_DECIMAL_FIELDS = {5, 6, 9, 10, 13, 14, 15, 16}

PLACEHOLDERS = {"Tr", "(0)"}
WHOLE = re.compile(r"[0-9]+\Z")
DECIMAL = re.compile(r"[0-9]+(\.[0-9]+)?\Z")
FOOD_ENTRY = re.compile(rb"\[([0-9]+)\]([^:]*):([^=]*)= ([^,]*)g\Z")

problems = []


def problem(where, text):
    problems.append(f"{where}: {text}")


def read_lines(path):
    """Returns the lines of a CR LF text file as CP932 bytes, or None."""
    try:
        data = path.read_bytes()
    except OSError as e:
        problem(path, f"cannot read ({e.strerror})")
        return None
    if data.startswith(b"\xef\xbb\xbf"):
        problem(path, "starts with a UTF-8 byte order mark")
    if b"\x1a" in data or b"\x00" in data:
        problem(path, "contains a 0x1A or NUL byte, which ends the text early")
    if data and not data.endswith(b"\r\n"):
        problem(path, "the last line does not end with CR LF")
    lines = data.split(b"\r\n")
    if lines and lines[-1] == b"":
        lines.pop()
    for n, line in enumerate(lines, 1):
        if b"\r" in line or b"\n" in line:
            problem(f"{path}:{n}", "lone CR or LF (every line must end with CR LF)")
        try:
            line.decode("cp932")
        except UnicodeDecodeError:
            problem(f"{path}:{n}", "not valid CP932 (Shift_JIS) text")
    return lines


def check_number(where, text, whole):
    if text in PLACEHOLDERS:
        return
    if not (WHOLE if whole else DECIMAL).match(text):
        problem(where, f"{text!r} is not a {'whole' if whole else 'decimal'} number")


def group_of(number):
    """The group a food number belongs to (its first two bytes, trimmed), or None."""
    head = number[:2].strip(b" ") if len(number) >= 2 else b""
    return int(head) if head.isdigit() and not head.startswith(b"0") else None


def check_foods(folder):
    path = folder / FOOD_FILE
    lines = read_lines(path)
    if lines is None:
        return []
    if len(lines) > MAX_FOODS:
        problem(path, f"{len(lines)} lines; only the first {MAX_FOODS} are read")
    rows = []
    last_group = 0
    for n, line in enumerate(lines, 1):
        fields = line.split(b",")
        rows.append(fields)
        where = f"{path}:{n}"
        if len(fields) != 23:
            problem(where, f"{len(fields)} fields instead of 23")
            continue
        group = group_of(fields[0])
        if group is None or not 1 <= group <= 18:
            problem(where, f"food number {fields[0]!r} belongs to no food group 1-18")
        elif group < last_group:
            problem(where, "food groups out of order")
        else:
            last_group = group
        if b"=" in fields[1] or not fields[1]:
            problem(where, "food name empty or containing '='")
        for c in range(3, 24):
            text = fields[c - 1].decode("ascii", "replace")
            check_number(f"{where} column {c}", text, c in FOOD_WHOLE_COLUMNS)
    return rows


def check_reference(folder):
    path = folder / REFERENCE_FILE
    lines = read_lines(path)
    if lines is None:
        return
    if len(lines) != REFERENCE_ROWS:
        problem(path, f"{len(lines)} lines instead of {REFERENCE_ROWS} (one per age class)")
    for n, line in enumerate(lines, 1):
        fields = line.decode("ascii", "replace").split(",")
        where = f"{path}:{n}"
        if len(fields) != 20:
            problem(where, f"{len(fields)} fields instead of 20")
            continue
        for f in REFERENCE_WHOLE_FIELDS | REFERENCE_DECIMAL_FIELDS:
            text = fields[f - 1]
            check_number(f"{where} field {f}", text, f in REFERENCE_WHOLE_FIELDS)
            if DECIMAL.match(text) and float(text) <= 0:
                problem(f"{where} field {f}", "a reference value must be positive")


def check_dishes(folder, foods):
    path = folder / DISH_FILE
    if not path.exists():
        return
    lines = read_lines(path)
    if lines is None:
        return
    if lines != sorted(lines):
        problem(path, "dishes are not in ascending CP932 byte order")
    for n, line in enumerate(lines, 1):
        where = f"{path}:{n}"
        fields = line.split(b",")
        if len(fields) < 3:
            problem(where, "fewer than three fields (cuisine, category, name)")
            continue
        cuisine, category = fields[0].decode("cp932", "replace"), fields[1].decode("cp932", "replace")
        if cuisine not in CUISINES:
            problem(where, f"unusual cuisine {cuisine!r}")
        if category not in CATEGORIES:
            problem(where, f"unusual category {category!r}")
        entries = fields[3:]
        if entries != sorted(entries):
            problem(where, "foods are not in ascending CP932 byte order")
        for entry in entries:
            m = FOOD_ENTRY.match(entry)
            if not m:
                problem(where, f"malformed food entry {entry.decode('cp932', 'replace')!r}")
                continue
            row, number, name, weight = m.groups()
            row = int(row)
            if not 1 <= row <= len(foods) or len(foods[row - 1]) < 2:
                problem(where, f"food row {row} is not in the food table")
            elif foods[row - 1][0] != number or foods[row - 1][1] != name:
                problem(where, f"row {row} is {foods[row - 1][1].decode('cp932', 'replace')!r}, "
                               f"not {name.decode('cp932', 'replace')!r}")
            if not DECIMAL.match(weight.decode("ascii", "replace")):
                problem(where, f"weight {weight!r} is not a number of grams")


def main():
    folder = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "data")
    foods = check_foods(folder)
    check_reference(folder)
    check_dishes(folder, foods)
    for p in problems:
        print(p)
    if problems:
        return 1
    groups = sorted({group_of(f[0]) for f in foods if f and group_of(f[0])})
    print(f"{folder}: {len(foods)} foods in {len(groups)} groups, reference table and dishes OK")
    return 0


if __name__ == "__main__":
    sys.exit(main())
