"""The viewer against the engine floor, under Xvfb: time from exec until the
start page has finished loading, and the proportional memory (PSS) of each
process tree once the page is shown; for the viewer also the time until
every file of the book is written (the rest of the book is written behind
the window).

Both programs write the monotonic clock to $PAGORA_REPORT_LOAD_FINISHED when
their first page has finished loading, the viewer to $PAGORA_REPORT_ALL_WRITTEN
when its last file is written; times are taken from just before the exec.
With --baseline-viewer, a pagora from another build runs in the same rounds;
when it reports no all-written time (a viewer that wrote every file before
its window), the time its last stored file reached its full size is taken by
looking every 2 ms. PSS is summed over the program and every process it started
(WebKit's web and network processes, the sandbox's bwrap and D-Bus proxy,
the viewer's clean-up watcher), from /proc/<pid>/smaps_rollup, after the page
has been shown for a moment. Each program starts a session of its own, so a
helper that was forked twice and left its parent is still counted.
"""

import os
import shutil
import signal
import statistics
import subprocess
import threading
import time
from pathlib import Path

from comparison import inputs, measure, report, scratch as scratch_folder

SETTLE_SECONDS = 1.5      # shown page, before memory is read
LOAD_DEADLINE = 60.0      # seconds for a start page to finish loading
EXIT_DEADLINE = 15.0      # seconds for a program to close after SIGTERM
# A book with nothing to write but its start page is held closer to the floor
# than --viewer-target: there is nothing left to overlap with the engine.
TARGETS = {"one-page": 1.03}


class Display:
    """A private X server and session bus for the runs, stopped on exit."""

    def __init__(self, scratch):
        self.processes = []
        read_end, write_end = os.pipe()
        self.processes.append(subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        os.close(write_end)
        with os.fdopen(read_end) as displayfd:
            number = displayfd.readline().strip()
        if not number:
            raise measure.RunFailed("Xvfb did not start")
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.processes.append(bus)
        address = bus.stdout.readline().strip()
        runtime = scratch / "runtime"
        runtime.mkdir(mode=0o700)
        self.env = dict(os.environ, DISPLAY=f":{number}", DBUS_SESSION_BUS_ADDRESS=address,
                        XDG_RUNTIME_DIR=str(runtime))
        self.env.pop("NO_AT_BRIDGE", None)

    def close(self):
        for process in reversed(self.processes):
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


def process_tree(root):
    """root, every process descended from it, and every process in the session
    that root leads."""
    children, session = {}, set()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        children.setdefault(int(fields[1]), []).append(int(entry))
        if int(fields[3]) == root:
            session.add(int(entry))
    tree, pending = set(), [root, *session]
    while pending:
        pid = pending.pop()
        if pid not in tree:
            tree.add(pid)
            pending.extend(children.get(pid, []))
    return sorted(tree)


def tree_pss_kib(root):
    total, names = 0, []
    for pid in process_tree(root):
        try:
            with open(f"/proc/{pid}/smaps_rollup") as rollup:
                total += next(int(line.split()[1]) for line in rollup if line.startswith("Pss:"))
            with open(f"/proc/{pid}/comm") as comm:
                names.append(comm.read().strip())
        except (OSError, StopIteration):
            continue
    return total, names


def _stamp(path):
    try:
        text = path.read_text().strip()
    except FileNotFoundError:
        return None
    return int(text) if text else None


class LastFileWatch:
    """Looks every 2 ms for `stored` (a path below the private folder, which
    is made somewhere in `temp`) to reach `size` bytes: the moment a viewer
    that writes in stored order and reports nothing has written every file."""

    def __init__(self, temp, stored, size):
        self.temp, self.stored, self.size = temp, stored, size
        self.seen = None
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._look, daemon=True)

    def start(self):
        self._thread.start()

    def _look(self):
        while not self._stop.is_set():
            for folder in self.temp.iterdir():
                try:
                    if (folder / self.stored).stat().st_size == self.size:
                        self.seen = time.monotonic_ns()
                        return
                except OSError:
                    pass
            time.sleep(0.002)

    def stop(self):
        self._stop.set()
        self._thread.join()


def last_stored_file(pagora_book, book):
    """(path below the private folder, size) of the book's last stored file."""
    listing = subprocess.run([str(pagora_book), "list", str(book)], check=True, capture_output=True,
                             text=True).stdout.splitlines()
    size, name = listing[-1].split("\t", 1)
    return name.replace("\\", "/"), int(size)


def run_once(argv, env, report_file, wait_written=False, last_file=None):
    """(seconds from exec to page loaded, PSS in KiB, process names, seconds
    from exec to every file written or None). With wait_written, waits for the
    program to report that every file is written; with last_file (a started
    LastFileWatch) takes that time from it when the program reports none."""
    written_file = report_file.with_name(report_file.name + "-written")
    report_file.unlink(missing_ok=True)
    written_file.unlink(missing_ok=True)
    env = dict(env, PAGORA_REPORT_LOAD_FINISHED=str(report_file), PAGORA_REPORT_ALL_WRITTEN=str(written_file))
    started = time.monotonic_ns()
    if last_file:
        last_file.start()
    program = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        deadline = time.monotonic() + LOAD_DEADLINE
        while _stamp(report_file) is None:
            if program.poll() is not None:
                raise measure.RunFailed(f"{argv[0]} exited with {program.returncode} before its page loaded")
            if time.monotonic() > deadline:
                raise measure.RunFailed(f"{argv[0]} did not report its page loaded within {LOAD_DEADLINE:.0f} s "
                                        "(does it honour PAGORA_REPORT_LOAD_FINISHED?)")
            time.sleep(0.002)
        loaded = _stamp(report_file)
        time.sleep(SETTLE_SECONDS)
        pss, names = tree_pss_kib(program.pid)
        while wait_written and _stamp(written_file) is None:
            if program.poll() is not None or time.monotonic() > deadline:
                raise measure.RunFailed(f"{argv[0]} did not report every file written")
            time.sleep(0.01)
        written = _stamp(written_file)
        if written is None and last_file:
            while last_file.seen is None and program.poll() is None and time.monotonic() < deadline:
                time.sleep(0.01)
            written = last_file.seen
    finally:
        if last_file:
            last_file.stop()
        program.send_signal(signal.SIGTERM)
        try:
            program.wait(timeout=EXIT_DEADLINE)
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()
            raise measure.RunFailed(f"{argv[0]} did not close within {EXIT_DEADLINE:.0f} s of SIGTERM")
    return (loaded - started) / 1e9, pss, names, None if written is None else (written - started) / 1e9


def viewer_trees(comparison, pages):
    """The books of the comparison, as folders under `pages` that both programs read."""
    wanted = comparison.arguments.viewer_books
    trees = []
    if "one-page" in wanted:
        folder = pages / "one-page"
        folder.mkdir()
        (folder / "index.html").write_bytes(inputs.INDEX_PAGE)
        trees.append(inputs.existing_tree("one-page", folder))
    if "sample" in wanted:
        trees.append(inputs.existing_tree("sample-book", comparison.REPO / "examples" / "sample-book"))
    shared = comparison.REPO.parent / "shared" / "books" / "sqlite3-doc"
    if "sqlite" in wanted and shared.is_dir():
        trees.append(inputs.existing_tree("sqlite3-doc", shared))
    if "manual" in wanted:
        comparison.log("making manual-2700...")
        tree = inputs.text_book(pages, "manual-2700", pages=2650, page_bytes=16500, pictures=50,
                                picture_bytes=500_000, seed=2700)
        trees.append(inputs.with_start_page(tree, pictures=3))
    if "pages" in wanted:
        comparison.log("making pages-15000...")
        tree = inputs.text_book(pages, "pages-15000", pages=15000, page_bytes=4000, seed=15000)
        trees.append(inputs.with_start_page(tree))
    return trees


def compare(comparison):
    viewer = comparison.bin / "pagora"
    floor = comparison.bin / "pagora-engine-floor"
    baseline = Path(comparison.arguments.baseline_viewer).resolve() if comparison.arguments.baseline_viewer else None
    missing = [str(p) for p in (viewer, floor, baseline) if p is not None and not os.access(p, os.X_OK)]
    missing += [tool for tool in ("Xvfb", "dbus-daemon") if shutil.which(tool) is None]
    comparison.say("## Viewer: exec to start page loaded, and memory\n")
    if missing:
        comparison.say(f"Left out: {', '.join(missing)} not found (build with PAGORA_BUILD_GUI=ON).\n")
        return
    pages = comparison.scratch / "pages"
    pages.mkdir()
    display = Display(comparison.scratch)
    contenders = ["pagora", "floor"] + (["baseline"] if baseline else [])
    rows, memory_rows, written_rows = [], [], []
    try:
        for tree in viewer_trees(comparison, pages):
            copy = pages / tree.name
            if not copy.exists():
                shutil.copytree(tree.path, copy)
            books = {"pagora": inputs.make_book(inputs.Tree(tree.name, copy, tree.files, tree.bytes), pages,
                                                comparison.pagora_book, viewer)}
            if baseline:
                baseline_folder = pages / "baseline"
                baseline_folder.mkdir(exist_ok=True)
                books["baseline"] = inputs.make_book(inputs.Tree(tree.name, copy, tree.files, tree.bytes),
                                                     baseline_folder, comparison.pagora_book, baseline)
                baseline_last = last_stored_file(comparison.pagora_book, books["baseline"])
            comparison.log(f"viewer: {tree.name}")
            samples = {name: measure.Samples(name) for name in contenders}
            written = {name: [] for name in contenders}
            pss = {name: [] for name in contenders}
            for round_number in range(comparison.arguments.rounds + 1):
                order = list(contenders)
                comparison.rng.shuffle(order)
                for name in order:
                    temp = scratch_folder.round_folder(comparison.scratch)
                    # The runs leave no reading place in the home of whoever runs them.
                    env = dict(display.env, TMPDIR=str(temp), PAGORA_NO_STATE="1")
                    argv = [str(floor), str(copy / "index.html")] if name == "floor" else [str(books[name])]
                    measure.settle()
                    watch = LastFileWatch(temp, *baseline_last) if name == "baseline" else None
                    seconds, kib, names, all_written = run_once(argv, env, comparison.scratch / "loaded",
                                                                wait_written=name == "pagora", last_file=watch)
                    left = sorted(str(path.relative_to(temp)) for path in temp.rglob("*"))
                    shutil.rmtree(temp)
                    if name != "floor" and left:
                        shown = ", ".join(left[:10]) + (f" and {len(left) - 10} more" if len(left) > 10 else "")
                        raise measure.RunFailed(f"{name} ({argv[0]}) left {shown} in its temporary directory")
                    if round_number == 0:
                        continue
                    samples[name].add(measure.Run(seconds, 0))
                    pss[name].append(kib)
                    if all_written is not None:
                        written[name].append(all_written)
                if round_number > 0:
                    comparison.log(f"  round {round_number}: " + ", ".join(
                        f"{n} {samples[n].seconds[-1]:.3f}s {pss[n][-1] / 1024:.0f} MiB" for n in contenders) +
                        (f", all written {written['pagora'][-1]:.3f}s" if written["pagora"] else "") +
                        f" ({', '.join(sorted(set(names)))})")
            comparison.results[f"viewer/{tree.name}"] = {"seconds": {n: s.seconds for n, s in samples.items()},
                                                         "all_written": written, "pss_kib": pss}
            p, f = samples["pagora"], samples["floor"]
            ratio = p.median / f.median
            interval = measure.ratio_interval(p.seconds, f.seconds)
            target = TARGETS.get(tree.name, comparison.arguments.viewer_target)
            row = [f"{tree.name} ({tree.files} files)", report.seconds_cell(p), report.seconds_cell(f),
                   f"{ratio:.3f} ({interval[0]:.3f}–{interval[1]:.3f})",
                   f"≤ {target:g}: {report.interval_verdict(interval, target)}"]
            if baseline:
                b = samples["baseline"]
                row[3:3] = [report.seconds_cell(b), f"{b.median / f.median:.3f}"]
            rows.append(row)
            p_pss, f_pss = statistics.median(pss["pagora"]), statistics.median(pss["floor"])
            memory_rows.append([tree.name, f"{p_pss / 1024:.1f} MiB", f"{f_pss / 1024:.1f} MiB",
                                f"{(p_pss - f_pss) / 1024:+.1f} MiB", report.verdict(p_pss - f_pss <= 10 * 1024)])
            if written["pagora"]:
                cells = [tree.name, f"{statistics.median(written['pagora']):.3f} s "
                                    f"({min(written['pagora']):.3f}–{max(written['pagora']):.3f})"]
                if baseline:
                    base = written["baseline"]
                    cells.append(f"{statistics.median(base):.3f} s ({min(base):.3f}–{max(base):.3f})" if base
                                 else "(not reported)")
                written_rows.append(cells)
            for book in books.values():
                inputs.remove(book)
            inputs.remove(copy)
    finally:
        display.close()
    header = ["book", "pagora: exec to page loaded", "engine floor", "pagora ÷ floor (90 % interval)", "target"]
    if baseline:
        header[3:3] = ["baseline", "baseline ÷ floor"]
    comparison.say(report.table(header, rows))
    comparison.say()
    comparison.say(report.table(["book", "pagora PSS (tree)", "floor PSS (tree)", "difference",
                                 "target ≤ +10 MiB"], memory_rows))
    comparison.say()
    if written_rows:
        comparison.say(report.table(["book", "pagora: exec to every file written"] +
                                    (["baseline"] if baseline else []), written_rows))
        comparison.say()
