#!/usr/bin/python3
"""The search index against its targets, for generated books and a real one:

  build    from files just extracted, the index is complete within the time
           `tar -xf` takes to extract the same tree (an uncompressed tar;
           median of --rounds runs each). Both wall-clock and CPU time
           (user + system, every thread) are shown: on a busy machine the
           second says more about the work each does
  memory   the index holds under 1.5 times the pages' plain text
  query    a query answers in under 20 ms once the index is complete

Books: a manual like GIMP's (2,700 files, 68 MB: text pages and a few large
pictures), a book of 15,000 text pages, and sqlite3-doc from
<repo>/../shared/books when it is there. Usage:

  /usr/bin/python3 bench/search_bench.py --build-dir build-bench [--rounds 5] [--threads 1,2]
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from comparison import inputs  # noqa: E402

REPO = Path(__file__).resolve().parent.parent


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--version", action="version", version="search_bench.py (pagora benchmarks)")
    parser.add_argument("--build-dir", default=os.environ.get("PAGORA_BUILD_DIR", str(REPO / "build")),
                        help="where bin/pagora-search-bench is (default: build/)")
    parser.add_argument("--rounds", type=int, default=5, help="timed runs of tar and of each build (default 5)")
    parser.add_argument("--threads", default="1,2", help="worker threads to try, comma-separated (default 1,2)")
    parser.add_argument("--scratch-parent", default="/tmp", help="where the scratch folder goes (default /tmp)")
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder")
    return parser.parse_args()


def make_books(sources):
    books = [
        inputs.text_book(sources, "manual-2700", pages=2650, page_bytes=16500, pictures=50, picture_bytes=500_000,
                         seed=2700),
        inputs.text_book(sources, "pages-15000", pages=15000, page_bytes=4000, seed=15000),
    ]
    shared = REPO.parent / "shared" / "books" / "sqlite3-doc"
    if shared.is_dir():
        books.append(inputs.existing_tree("sqlite3-doc", shared))
    return books


def tar_extract_seconds(tree, scratch, rounds):
    """Median wall-clock and CPU seconds of `tar -xf`, and the last folder it made."""
    archive = scratch / f"{tree.name}.tar"
    subprocess.run(["tar", "-cf", str(archive), "-C", str(tree.path), "."], check=True)
    wall, cpu = [], []
    for round_number in range(rounds):
        into = scratch / f"{tree.name}-x{round_number}"
        into.mkdir()
        start = time.perf_counter()
        child = subprocess.Popen(["tar", "-xf", str(archive), "-C", str(into)])
        _, status, usage = os.wait4(child.pid, 0)
        wall.append(time.perf_counter() - start)
        cpu.append(usage.ru_utime + usage.ru_stime)
        if os.waitstatus_to_exitcode(status) != 0:
            sys.exit(f"search_bench.py: tar -xf failed for {tree.name}")
        if round_number < rounds - 1:
            shutil.rmtree(into)
    archive.unlink()
    return statistics.median(wall), statistics.median(cpu), into


def search_bench(program, folder, threads, rounds):
    completed = subprocess.run([str(program), "--threads", str(threads), "--repeat", str(rounds), str(folder)],
                               check=True, capture_output=True, text=True)
    values, queries = {}, []
    for line in completed.stdout.splitlines():
        if line.startswith("query "):
            queries.append(line)
        elif ": " in line:
            key, value = line.split(": ", 1)
            values[key] = value
    return values, queries


def main():
    arguments = parse_arguments()
    program = Path(arguments.build_dir).resolve() / "bin" / "pagora-search-bench"
    if not os.access(program, os.X_OK):
        sys.exit(f"search_bench.py: {program} is missing; build first")
    scratch = Path(tempfile.mkdtemp(prefix="pagora-search-bench-", dir=arguments.scratch_parent))
    try:
        sources = scratch / "sources"
        sources.mkdir()
        print("making books...", file=sys.stderr, flush=True)
        books = make_books(sources)
        print(f"{'book':<14} {'files':>6} {'MB':>6} {'thr':>3} {'tar -x s':>9} {'index s':>8} {'ratio':>6} "
              f"{'tar cpu s':>9} {'index cpu s':>11} {'ratio':>6} {'text MB':>8} {'index MB':>9} {'mem':>5} "
              f"{'slowest query ms':>17}")
        for tree in books:
            tar_wall, tar_cpu, extracted = tar_extract_seconds(tree, scratch, arguments.rounds)
            for threads in (int(t) for t in arguments.threads.split(",")):
                values, queries = search_bench(program, extracted, threads, arguments.rounds)
                index_wall = float(values["build-ms-median"]) / 1000
                index_cpu = float(values["build-cpu-ms-median"]) / 1000
                slowest = max(float(q.split("max ")[1]) for q in queries)
                print(f"{tree.name:<14} {tree.files:>6} {tree.bytes / 1e6:>6.1f} {threads:>3} {tar_wall:>9.3f} "
                      f"{index_wall:>8.3f} {index_wall / tar_wall:>6.2f} {tar_cpu:>9.3f} {index_cpu:>11.3f} "
                      f"{index_cpu / tar_cpu:>6.2f} {int(values['text-bytes']) / 1e6:>8.1f} "
                      f"{int(values['index-bytes-allocated']) / 1e6:>9.1f} {float(values['memory-ratio']):>5.2f} "
                      f"{slowest:>17.2f}", flush=True)
            shutil.rmtree(extracted)
    finally:
        if arguments.keep:
            print(f"kept {scratch}", file=sys.stderr)
        else:
            shutil.rmtree(scratch)


if __name__ == "__main__":
    main()
