#!/usr/bin/python3
"""Packs a real book's folder with pagora-book, runs `pagora-book search` and
the independent oracle (tests/tools/search_oracle.py) over it and compares
what they find: the same pages in the same order, with the same titles, for
each query.

    oracle_comparison.py PAGORA_BOOK BOOK_FOLDER

Stored names separate folders with '\\', the oracle's with '/': they are
compared as paths. Exits 77 (skipped) when the book is not there."""

import os
import subprocess
import sys
import tempfile

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


def make_book(tool, folder, into):
    """The folder packed as a book (what links outside it lead to included,
    as the oracle reads them); its viewer part is never run."""
    book = os.path.join(into, "book")
    subprocess.run([tool, "create", folder, "-o", book, "--viewer", tool, "--dereference"], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return book


def run_pagora(tool, book, query):
    completed = subprocess.run([tool, "search", book, "--"] + query.split(), capture_output=True)
    if completed.returncode not in (0, 1):
        raise RuntimeError(f"pagora-book search {query!r}: {completed.stderr.decode()}")
    found = []
    for line in completed.stdout.decode("utf-8").splitlines():
        name, title = line.split("\t", 1)
        path = name.replace("\\", "/")
        found.append((path, path if title == name else title))
    return found


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    tool, folder = argv[1], argv[2]
    if not os.path.isdir(folder):
        print(f"skipped: no book at {folder}")
        return 77
    scratch = tempfile.TemporaryDirectory(prefix="pagora-oracle-")
    book = make_book(tool, folder, scratch.name)
    pages = search_oracle.read_folder(folder)
    failures = 0
    for query in QUERIES:
        expected = [(page.name, page.title or page.name) for page in search_oracle.search(pages, query)]
        found = run_pagora(tool, book, query)
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
