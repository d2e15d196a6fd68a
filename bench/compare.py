#!/usr/bin/python3
"""Pagora against the tools a user would compare it with, whole processes, side
by side in shuffled rounds (median, min–max):

  load     the book's load and clean-up (pagora-load-bench: parse, extract,
           remove everything) against cp -r, tar -xf of an uncompressed tar and
           unzip -qq of a stored zip of the same tree
  create   pagora-book create against tar -cf and zip -0 -r
  memory   peak RSS of the load for books of 1 MiB, 512 MiB and 1 GiB (GNU time,
           and the load's own VmHWM)
  viewer   exec to first page shown, and the PSS of the process tree, against
           a bare GTK window with a WebKitGTK view (pagora-engine-floor); and
           exec to every file of the book written

Inputs (a 512 MiB file, a tree of 15,000 small pages, the sqlite3-doc book
from <repo>/../shared/books, a 1 GiB file) are made in a scratch folder that is
removed at the end. Usage:

  /usr/bin/python3 bench/compare.py --build-dir build-bench [--rounds 5] [--only load,create]
"""

import argparse
import json
import os
import shutil
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from comparison import inputs, measure, report, scratch as scratch_folder  # noqa: E402

REPO = Path(__file__).resolve().parent.parent
SECTIONS = ("load", "create", "memory", "viewer")


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--version", action="version", version="compare.py (pagora benchmarks)")
    parser.add_argument("--build-dir", default=os.environ.get("PAGORA_BUILD_DIR", str(REPO / "build")),
                        help="where bin/pagora-book and bin/pagora-load-bench are (default: build/)")
    parser.add_argument("--rounds", type=int, default=5, help="timed rounds per comparison (default 5)")
    parser.add_argument("--seed", type=int, help="seed of the round order (default: random, printed)")
    parser.add_argument("--only", default=",".join(SECTIONS), help="comma-separated subset of " + ", ".join(SECTIONS))
    parser.add_argument("--scratch-parent", default="/tmp", help="where the scratch folder goes (default /tmp)")
    parser.add_argument("--trees", default="big,pages,sqlite",
                        help="which inputs the load and create comparisons use: a comma-separated subset of "
                             "big (one large file), pages (many small ones), sqlite (the sqlite3-doc book)")
    parser.add_argument("--small-files", type=int, default=15000, help="files in the tree of small pages")
    parser.add_argument("--big-mib", type=int, default=512, help="size of the one-big-file tree")
    parser.add_argument("--huge-mib", type=int, default=1024, help="size of the book in the memory comparison")
    parser.add_argument("--pause", type=float, default=0.0,
                        help="seconds to wait before each load and create run (see BENCHMARKS.md)")
    parser.add_argument("--alt-load-bench", help="a pagora-load-bench from another build (say, with another "
                                                 "transfer buffer size), timed as one more contender in the load")
    parser.add_argument("--viewer-books", default="one-page,sample,sqlite,manual,pages",
                        help="the books of the viewer comparison: a comma-separated subset of one-page, sample "
                             "(the sample book), sqlite (sqlite3-doc), manual (a GIMP-manual-sized tree: 2,700 files, "
                             "68 MB, a few large pictures), pages (15,000 pages)")
    parser.add_argument("--viewer-target", type=float, default=1.05,
                        help="the ratio to the engine floor the viewer's start is held to "
                             "(default 1.05; the one-page book is held to 1.03)")
    parser.add_argument("--baseline-viewer", help="a pagora from another build, timed in the viewer comparison "
                                                  "beside the real one")
    parser.add_argument("--json", help="also write the raw samples to this file")
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder")
    arguments = parser.parse_args()
    arguments.only = [s for s in arguments.only.split(",") if s]
    arguments.trees = [t for t in arguments.trees.split(",") if t]
    arguments.viewer_books = [b for b in arguments.viewer_books.split(",") if b]
    books = {"one-page", "sample", "sqlite", "manual", "pages"}
    if set(arguments.viewer_books) - books:
        parser.error("unknown viewer book(s): " + ", ".join(sorted(set(arguments.viewer_books) - books)))
    if set(arguments.trees) - {"big", "pages", "sqlite"}:
        parser.error("unknown tree(s): " + ", ".join(sorted(set(arguments.trees) - {"big", "pages", "sqlite"})))
    unknown = set(arguments.only) - set(SECTIONS)
    if unknown:
        parser.error("unknown section(s): " + ", ".join(sorted(unknown)))
    return arguments


class Comparison:
    REPO = REPO

    def __init__(self, arguments, scratch, spread):
        self.arguments = arguments
        self.scratch = scratch
        self.spread = spread
        self.bin = Path(arguments.build_dir).resolve() / "bin"
        self.pagora_book = self._program("pagora-book")
        self.load_bench = self._program("pagora-load-bench")
        self.seed, self.rng = measure.new_rng(arguments.seed)
        self.results = {}
        self.lines = []

    def _program(self, name):
        path = self.bin / name
        if not os.access(path, os.X_OK):
            sys.exit(f"compare.py: {path} is missing; build first (see BENCHMARKS.md)")
        return path

    def say(self, text=""):
        print(text, flush=True)
        self.lines.append(text)

    def log(self, text):
        print(text, file=sys.stderr, flush=True)

    # Inputs

    def make_trees(self):
        self.log("making inputs...")
        sources = self.scratch / "sources"
        sources.mkdir()
        wanted, trees = self.arguments.trees, []
        if "big" in wanted:
            trees.append(inputs.one_big_file(sources, f"one-file-{self.arguments.big_mib}mib",
                                             self.arguments.big_mib * inputs.MIB, seed=512))
        if "pages" in wanted:
            trees.append(inputs.many_small_files(sources, f"pages-{self.arguments.small_files}",
                                                 self.arguments.small_files, seed=15000))
        shared = REPO.parent / "shared" / "books" / "sqlite3-doc"
        if "sqlite" in wanted and shared.is_dir():
            trees.append(inputs.existing_tree("sqlite3-doc", shared))
        elif "sqlite" in wanted:
            self.log(f"compare.py: {shared} not found; left out")
        return trees

    # Load

    def load_contenders(self, tree, book, tar, zip_file, alt_book=None):
        def expect_copy(output_dir):
            files, total = inputs.count_files(output_dir)
            if (files, total) != (tree.files, tree.bytes):
                raise measure.RunFailed(f"{output_dir}: {files} files, {total} bytes; expected "
                                        f"{tree.files}, {tree.bytes}")

        def expect_empty(output_dir):
            left = os.listdir(output_dir)
            if left:
                raise measure.RunFailed(f"the load left {left} in {output_dir}")

        def with_tmpdir(output_dir):
            return dict(os.environ, TMPDIR=str(output_dir))

        alternative = [] if alt_book is None else [
            measure.Contender("pagora load (alt)", lambda out: ([str(alt_book)], None, with_tmpdir(out)), expect_empty)]
        return alternative + [
            measure.Contender("pagora load", lambda out: ([str(book)], None, with_tmpdir(out)), expect_empty),
            measure.Contender("cp -r", lambda out: (["cp", "-r", str(tree.path), str(out)], None, None), expect_copy),
            measure.Contender("tar -xf", lambda out: (["tar", "-xf", str(tar), "-C", str(out)], None, None),
                              expect_copy),
            measure.Contender("unzip -qq", lambda out: (["unzip", "-qq", str(zip_file), "-d", str(out)], None, None),
                              expect_copy),
        ]

    @staticmethod
    def with_removal_cell(tool, removal, pagora):
        """(tool + its removal) ÷ pagora's load, with the interval of the rounds' totals."""
        totals = [run + rm for run, rm in zip(tool.seconds, removal.seconds)]
        low, high = measure.ratio_interval(totals, pagora.seconds)
        return f"{(tool.median + removal.median) / pagora.median:.2f} ({low:.2f}–{high:.2f})"

    def compare_load(self, trees, made):
        self.say("## Load: extract the tree (pagora: parse + extract + remove everything)\n")
        rows, ratio_rows = [], []
        for tree in trees:
            book, tar, zip_file, alt_book = made[tree.name]
            self.log(f"load: {tree.name}")
            removals = {}
            samples = measure.compare_rounds(self.load_contenders(tree, book, tar, zip_file, alt_book), self.scratch,
                                             self.arguments.rounds, self.rng, removal_samples=removals,
                                             pause=self.arguments.pause, log=self.log)
            self.results[f"load/{tree.name}"] = {n: s.seconds for n, s in samples.items()}
            self.results[f"load-removal/{tree.name}"] = {n: s.seconds for n, s in removals.items()}
            p, cp, tar_s, unzip_s = (samples[n] for n in ("pagora load", "cp -r", "tar -xf", "unzip -qq"))
            rows.append([f"{tree.name} ({tree.files} files, {tree.bytes / inputs.MIB:,.0f} MiB)",
                         report.seconds_cell(p), report.seconds_cell(cp), report.seconds_cell(tar_s),
                         report.seconds_cell(unzip_s)])
            rows.append(["  then rm -rf of what each wrote", "(included)",
                         *(report.seconds_cell(removals[n]) for n in ("cp -r", "tar -xf", "unzip -qq"))])
            ratio_rows.append([tree.name, report.throughput_cell(p, tree.bytes), report.throughput_cell(cp, tree.bytes),
                               f"{cp.median / p.median:.2f}", f"{p.median / tar_s.median:.2f}",
                               f"{unzip_s.median / p.median:.2f}",
                               self.with_removal_cell(cp, removals["cp -r"], p),
                               self.with_removal_cell(tar_s, removals["tar -xf"], p)])
        if self.arguments.alt_load_bench:
            alt_rows = []
            for tree in trees:
                alt, p = (self.results[f"load/{tree.name}"][n] for n in ("pagora load (alt)", "pagora load"))
                alt_rows.append([tree.name, f"{statistics.median(alt):.3f} s", f"{statistics.median(p):.3f} s",
                                 f"{statistics.median(p) / statistics.median(alt):.2f}"])
            self.say(f"Alternative load ({self.arguments.alt_load_bench}):\n")
            self.say(report.table(["input", "alternative", "pagora load", "alternative speed-up"], alt_rows))
            self.say()
        self.say(report.table(["input", "pagora load", "cp -r", "tar -xf", "unzip -qq"], rows))
        self.say()
        self.say(report.table(["input", "pagora MiB/s", "cp MiB/s", "pagora ÷ cp throughput",
                               "pagora ÷ tar time", "unzip ÷ pagora time",
                               "(cp + rm) ÷ pagora time", "(tar + rm) ÷ pagora time"], ratio_rows))
        self.say()

    # Create

    def create_contenders(self, tree):
        def expect_file(name):
            def verify(output_dir):
                if not (output_dir / name).is_file():
                    raise measure.RunFailed(f"{output_dir / name} was not written")
            return verify

        return [
            measure.Contender("pagora-book create", lambda out: (
                [str(self.pagora_book), "create", str(tree.path), "-o", str(out / "b.book"),
                 "--viewer", str(self.load_bench), "--title", tree.name], None, None), expect_file("b.book")),
            measure.Contender("tar -cf", lambda out: (["tar", "-cf", str(out / "t.tar"), "-C", str(tree.path), "."],
                                                      None, None), expect_file("t.tar")),
            measure.Contender("zip -0 -r", lambda out: (["zip", "-0", "-r", "-q", str(out / "z.zip"), "."],
                                                        str(tree.path), None), expect_file("z.zip")),
            # pagora-book flushes a book to disk before it replaces an existing
            # one (not the case here); this is what that flush costs tar.
            measure.Contender("tar -cf + sync", lambda out: (
                ["sh", "-c", 'tar -cf "$1" -C "$2" . && sync "$1"', "sh", str(out / "t.tar"), str(tree.path)],
                None, None), expect_file("t.tar")),
        ]

    def compare_create(self, trees):
        self.say("## Create: pack the tree\n")
        rows, ratio_rows = [], []
        for tree in trees:
            self.log(f"create: {tree.name}")
            samples = measure.compare_rounds(self.create_contenders(tree), self.scratch, self.arguments.rounds,
                                             self.rng, pause=self.arguments.pause, log=self.log)
            self.results[f"create/{tree.name}"] = {n: s.seconds for n, s in samples.items()}
            p, tar_s, zip_s, tar_sync = (samples[n] for n in ("pagora-book create", "tar -cf", "zip -0 -r",
                                                              "tar -cf + sync"))
            rows.append([tree.name, report.seconds_cell(p), report.seconds_cell(tar_s), report.seconds_cell(zip_s),
                         report.seconds_cell(tar_sync)])
            ratio_rows.append([tree.name, report.throughput_cell(p, tree.bytes),
                               report.throughput_cell(tar_s, tree.bytes), f"{tar_s.median / p.median:.2f}",
                               f"{tar_sync.median / p.median:.2f}", f"{zip_s.median / p.median:.2f}"])
        self.say(report.table(["input", "pagora-book create", "tar -cf", "zip -0 -r", "tar -cf + sync"], rows))
        self.say()
        self.say(report.table(["input", "pagora MiB/s", "tar MiB/s", "pagora ÷ tar throughput",
                               "pagora ÷ (tar + sync) throughput", "pagora ÷ zip throughput"], ratio_rows))
        self.say()

    # Memory

    def compare_memory(self):
        self.say("## Memory: peak RSS of the load\n")
        sources = self.scratch / "memory"
        sources.mkdir()
        rows, peaks = [], {}
        for mib in (1, self.arguments.big_mib, self.arguments.huge_mib):
            self.log(f"memory: {mib} MiB book")
            tree = inputs.one_big_file(sources, f"memory-{mib}mib", mib * inputs.MIB, seed=mib)
            book = inputs.make_book(tree, sources, self.pagora_book, self.load_bench)
            inputs.remove(tree.path)
            by_time, own = [], []
            for _ in range(self.arguments.rounds):
                output_dir = scratch_folder.round_folder(self.scratch)
                time_kib, own_kib = measure.run_peak_memory([str(book)], env=dict(os.environ, TMPDIR=str(output_dir)))
                if os.listdir(output_dir):
                    raise measure.RunFailed(f"the load left {os.listdir(output_dir)} in {output_dir}")
                output_dir.rmdir()
                by_time.append(time_kib)
                own.append(own_kib)
            inputs.remove(book)
            peaks[mib] = (max(by_time), max(own))
            self.results[f"memory/{mib}mib"] = {"time_max_rss_kib": by_time, "own_vmhwm_kib": own}
            rows.append([f"{mib} MiB", f"{max(by_time):,} KiB", f"{max(own):,} KiB"])
        self.say(report.table(["book", "peak RSS (GNU time %M, max of rounds)", "VmHWM of the load itself (max)"],
                              rows))
        small, huge = peaks[1], peaks[self.arguments.huge_mib]
        growth = max(huge[0] - small[0], huge[1] - small[1])
        self.say(f"\n{self.arguments.huge_mib} MiB book minus 1 MiB book: {huge[0] - small[0]:+,} KiB by GNU time, "
                 f"{huge[1] - small[1]:+,} KiB by VmHWM (target under 4 MiB: {report.verdict(growth < 4096)})\n")

    # Viewer

    def compare_viewer(self):
        from comparison import viewer
        viewer.compare(self)

    def run(self):
        only = self.arguments.only
        self.say("# Pagora comparison\n")
        self.say("\n".join(report.machine_description(self.scratch, self.spread)))
        self.say(f"- Rounds: {self.arguments.rounds} after one warm-up round; order shuffled with seed {self.seed}; "
                 f"pause before each load and create run: {self.arguments.pause:g} s\n")
        if "load" in only or "create" in only:
            trees = self.make_trees()
            if "load" in only:
                made = {}
                for tree in trees:
                    alt_book = None
                    if self.arguments.alt_load_bench:
                        alt_folder = self.scratch / "alt"
                        alt_folder.mkdir(exist_ok=True)
                        alt_book = inputs.make_book(tree, alt_folder, self.pagora_book,
                                                    Path(self.arguments.alt_load_bench).resolve())
                    made[tree.name] = (inputs.make_book(tree, self.scratch, self.pagora_book, self.load_bench),
                                       *inputs.make_archives(tree, self.scratch), alt_book)
                self.compare_load(trees, made)
                for files in made.values():
                    for path in files:
                        if path is not None:
                            inputs.remove(path)
            if "create" in only:
                self.compare_create(trees)
            inputs.remove(self.scratch / "sources")
        if "memory" in only:
            self.compare_memory()
        if "viewer" in only:
            self.compare_viewer()
        load = os.getloadavg()
        self.say(f"Load average at the end: {load[0]:.2f} {load[1]:.2f} {load[2]:.2f}")


def main():
    arguments = parse_arguments()
    scratch, spread = scratch_folder.make_scratch(arguments.scratch_parent)
    started = time.time()
    try:
        comparison = Comparison(arguments, scratch, spread)
        comparison.run()
        if arguments.json:
            with open(arguments.json, "w") as out:
                json.dump({"seed": comparison.seed, "rounds": arguments.rounds, "samples": comparison.results},
                          out, indent=1)
    except measure.RunFailed as failure:
        sys.exit(f"compare.py: {failure}")
    finally:
        if arguments.keep:
            print(f"compare.py: kept {scratch}", file=sys.stderr)
        else:
            shutil.rmtree(scratch, ignore_errors=True)
        print(f"compare.py: {time.time() - started:.0f} s", file=sys.stderr)


if __name__ == "__main__":
    main()
