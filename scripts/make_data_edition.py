#!/usr/bin/env python3
"""Write data/DATA.EDITION: the bundled data's release and the SHA-256 of every
version of its replaceable files that a release has shipped.

Usage: scripts/make_data_edition.py RELEASE DESCRIPTION

RELEASE is YYYY-MM (a second one in a month YYYY-MM-2). The hashes of the
files as they stand come first, then every earlier version in the git history
of data/, so that the program can tell a folder's file copied from any
earlier release (replaced when the user agrees) from one the user imported or
edited (left alone). Run it whenever a listed file changes, before committing.
"""
import hashlib
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
DATA = REPO / "data"
# The table first: its marks, components and edition record come with it.
FILES = ["食品成分表５訂.CSV"] + [
    "食事摂取基準/" + name
    for name in ["食事摂取基準2020.TSV", "エネルギー必要量2020.TSV", "食事摂取基準2025成人.TSV",
                 "エネルギー必要量2025成人.TSV", "学校給食摂取基準2021.TSV"]
]


def history(name):
    """The hashes of every committed version of data/NAME, newest first."""
    path = "data/" + name
    revs = subprocess.run(["git", "-C", str(REPO), "log", "--format=%H", "--", path],
                          check=True, capture_output=True, text=True).stdout.split()
    hashes = []
    for rev in revs:
        shown = subprocess.run(["git", "-C", str(REPO), "show", f"{rev}:{path}"], capture_output=True)
        if shown.returncode == 0:
            hashes.append(hashlib.sha256(shown.stdout).hexdigest())
    return hashes


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    release, description = sys.argv[1], sys.argv[2]
    lines = [f"EIYOU-DATA\t1\t{release}\t{description}"]
    for name in FILES:
        current = hashlib.sha256((DATA / name).read_bytes()).hexdigest()
        hashes = [current]
        for h in history(name):
            if h not in hashes:
                hashes.append(h)
        lines.append("\t".join([name] + hashes))
        print(f"{name}: {len(hashes) - 1} earlier versions", file=sys.stderr)
    (DATA / "DATA.EDITION").write_text("\n".join(lines) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
