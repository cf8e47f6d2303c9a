#!/usr/bin/env python3
"""Compose the sample dish file from data/sources/dishes.tsv.

Usage: scripts/compose_sample_dishes.py SHARED_DATA_DIR [--check] [--output FILE]

SHARED_DATA_DIR holds food-composition-2023.tsv, the tab-separated text of
文部科学省「日本食品標準成分表（八訂）増補2023年」. The food table the program
ships is made from it food for food, in the same order, so a food's row is its
position in that file (first food = 1).

dishes.tsv (UTF-8, one dish a line): cuisine, cooking category, dish name,
then pairs of five-digit official food number and weight in grams.
Every food is looked up by its number and written as the program writes a
dish: "[row]number:name= weightg", the number in the table's form (" 1001"
for 01001), the foods of a dish and the dishes in ascending CP932 byte
order, CP932 text with CR LF. Output: data/KONDATE/献立.TXT.

--check   check dishes.tsv and print every dish with its foods and a few
          totals per serving, for review; write nothing.

Exits with status 1 and one line per problem when dishes.tsv is wrong
(unknown cuisine or category, a food number not in the table, a bad weight,
a food twice in a dish, ...). Python 3 standard library only.
"""
import argparse
import csv
import pathlib
import re
import sys
from fractions import Fraction

REPO = pathlib.Path(__file__).resolve().parent.parent
DISHES = REPO / "data" / "sources" / "dishes.tsv"
DISH_FILE = REPO / "data" / "KONDATE" / "献立.TXT"
FOOD_FILE = "food-composition-2023.tsv"

CUISINES = ["和      食", "洋      食", "中      華"]
CATEGORIES = ["汁 も の", "飯 も の", "煮 も の", "蒸しもの", "焼きもの", "揚げもの", "いため物",
              "寄せもの", "なまもの", "酢のもの", "あえもの", "飲みもの", "そ の 他"]
NUMBER = re.compile(r"[0-9]{5}\Z")
WEIGHT = re.compile(r"[0-9]+(\.[0-9]+)?\Z")
# Text that would break a dish line or a FoodEntry.
FORBIDDEN = (",", "=", "\r", "\n")
REVIEW_COLUMNS = [("ENERC_KCAL", "kcal"), ("PROT", "prot g"), ("FAT", "fat g"),
                  ("NACL_EQ", "salt g")]


class Food:
    def __init__(self, row, cells):
        self.row = row
        self.cells = cells
        self.number = cells["FN"]
        self.name = cells["Tagnames"]

    def table_number(self):
        """The number as the food table writes it: groups 01-09 lose the leading zero to a blank."""
        return " " + self.number[1:] if self.number.startswith("0") else self.number

    def value(self, identifier):
        """A cell as a number for the review: estimates count, Tr and the like are 0."""
        text = self.cells.get(identifier, "").strip().strip("()").rstrip("†")
        try:
            return Fraction(text)
        except ValueError:
            return Fraction(0)


def read_foods(folder):
    path = folder / FOOD_FILE
    try:
        with open(path, encoding="utf-8-sig", newline="") as f:
            rows = [r for r in csv.reader(f, delimiter="\t") if any(c.strip() for c in r)]
    except OSError as e:
        sys.exit(f"compose_sample_dishes: {path}: cannot read ({e.strerror})")
    header = [h.strip() for h in rows[0]]
    for needed in ("FN", "Tagnames"):
        if needed not in header:
            sys.exit(f"compose_sample_dishes: {path}: no column {needed}")
    foods = {}
    for row, cells in enumerate(rows[1:], 1):
        food = Food(row, dict(zip(header, cells)))
        foods[food.number] = food
    return foods


def read_dishes(foods, problems):
    dishes = []
    with open(DISHES, encoding="utf-8", newline="") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    for n, line in enumerate(lines, 1):
        where = f"{DISHES.name}:{n}"
        cells = line.rstrip("\r").split("\t")
        if len(cells) < 5 or len(cells) % 2 == 0:
            problems.append(f"{where}: expected cuisine, category, name and number/weight pairs")
            continue
        cuisine, category, name = cells[:3]
        if cuisine not in CUISINES:
            problems.append(f"{where}: unknown cuisine {cuisine!r}")
        if category not in CATEGORIES:
            problems.append(f"{where}: unknown cooking category {category!r}")
        if not name or any(c in name for c in FORBIDDEN):
            problems.append(f"{where}: dish name {name!r} empty or holding a comma, '=' or line end")
        entries = []
        seen = set()
        for number, weight in zip(cells[3::2], cells[4::2]):
            food = foods.get(number) if NUMBER.match(number) else None
            if food is None:
                problems.append(f"{where}: food {number!r} is not in {FOOD_FILE}")
                continue
            if number in seen:
                problems.append(f"{where}: food {number} twice in one dish")
            seen.add(number)
            # The importer trims names and replaces commas: keep to foods whose
            # name it writes unchanged, so the rows here and the table agree.
            if food.name != food.name.strip(" \u3000") or any(c in food.name for c in FORBIDDEN):
                problems.append(f"{where}: food {number} has a name the table writes differently")
            if not WEIGHT.match(weight) or Fraction(weight) <= 0:
                problems.append(f"{where}: weight {weight!r} of food {number} is not a positive number of grams")
                continue
            entries.append((food, weight))
        dishes.append((cuisine, category, name, entries))
    names = [(c, k, name) for c, k, name, _ in dishes]
    for dup in sorted({x for x in names if names.count(x) > 1}):
        problems.append(f"{DISHES.name}: dish {dup[2]!r} ({dup[0]}, {dup[1]}) listed twice")
    return dishes


def dish_line(cuisine, category, name, entries):
    """The dish as the program saves it, in CP932 bytes."""
    foods = sorted(f"[{food.row}]{food.table_number()}:{food.name}= {weight}g".encode("cp932")
                   for food, weight in entries)
    return b",".join([cuisine.encode("cp932"), category.encode("cp932"), name.encode("cp932")] + foods)


def review(dishes):
    print("\t".join(["cuisine", "category", "dish"] + [label for _, label in REVIEW_COLUMNS]))
    for cuisine, category, name, entries in dishes:
        totals = [sum(food.value(ident) * Fraction(weight) / 100 for food, weight in entries)
                  for ident, _ in REVIEW_COLUMNS]
        print("\t".join([cuisine.replace(" ", ""), category.replace(" ", ""), name]
                        + [f"{float(t):.1f}" for t in totals]))
        for food, weight in entries:
            print(f"\t\t[{food.row}] {food.number} {food.name} {weight} g")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("shared_data_dir", type=pathlib.Path)
    parser.add_argument("--check", action="store_true", help="check and review only, write nothing")
    parser.add_argument("--output", type=pathlib.Path, default=DISH_FILE)
    args = parser.parse_args()

    foods = read_foods(args.shared_data_dir)
    problems = []
    dishes = read_dishes(foods, problems)
    for p in problems:
        print(p, file=sys.stderr)
    if problems:
        return 1
    if args.check:
        review(dishes)
        print(f"{len(dishes)} dishes, {sum(len(e) for *_, e in dishes)} foods: all found in {FOOD_FILE}")
        return 0
    lines = sorted(dish_line(*dish) for dish in dishes)
    args.output.write_bytes(b"".join(line + b"\r\n" for line in lines))
    print(f"{args.output}: {len(lines)} dishes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
