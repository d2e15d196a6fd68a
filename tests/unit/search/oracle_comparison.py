#!/usr/bin/python3
"""Runs Pagora's search and the independent oracle (tests/tools/search_oracle.py)
over a real book and compares what they find: the same pages in the same
order, with the same titles, for each query.

    oracle_comparison.py SEARCH_COMMAND BOOK_FOLDER

SEARCH_COMMAND is run as `SEARCH_COMMAND BOOK_FOLDER WORD...` and prints
NAME<TAB>TITLE per page in rank order (the name again for a page without
title). Exits 77 (skipped) when the book is
not there."""

import os
import shlex
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import search_oracle  # noqa: E402

QUERIES = [
    "virtual table",        # several words, a title match
    "sqlite3_open",         # '_' separates words
    "journ mod",            # prefixes
    "PRAGMA",               # case
    "b",                    # a one-letter prefix that matches nearly every page
    "2",                    # digits
    "WAL checkpoint",
    "zzzqqq",               # no page
    "--- ... !!!",          # no word at all
    "fts5 bm25 rank",
    "the and of a",         # common words
    "Ünïcödé",              # no page
    "Ä",                    # folds to a letter one page holds
    "ß",                    # folds to "ss"
    "Þ æ",
    "dpkg apt",
]


def run_pagora(command, folder, query):
    completed = subprocess.run(shlex.split(command) + [folder] + query.split(), capture_output=True, check=True)
    lines = completed.stdout.decode("utf-8").splitlines()
    return [tuple(line.split("\t", 1)) for line in lines]


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    command, folder = argv[1], argv[2]
    if not os.path.isdir(folder):
        print(f"skipped: no book at {folder}")
        return 77
    pages = search_oracle.read_folder(folder)
    failures = 0
    for query in QUERIES:
        expected = [(page.name, page.title or page.name) for page in search_oracle.search(pages, query)]
        found = run_pagora(command, folder, query)
        if found == expected:
            print(f"{query!r}: {len(found)} pages agree")
            continue
        failures += 1
        print(f"{query!r}: Pagora found {len(found)} pages, the oracle {len(expected)}")
        if set(found) != set(expected):
            for line in sorted(set(found) - set(expected))[:10]:
                print("  only Pagora:", line)
            for line in sorted(set(expected) - set(found))[:10]:
                print("  only oracle:", line)
        else:
            at = next(i for i, (a, b) in enumerate(zip(found, expected)) if a != b)
            print(f"  same pages, order differs from rank {at + 1}: Pagora {found[at]}, oracle {expected[at]}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
