"""The viewer against the engine floor, under Xvfb: time from exec until the
start page has finished loading, and the proportional memory (PSS) of each
process tree once the page is shown.

Both programs write the monotonic clock to $PAGORA_REPORT_LOAD_FINISHED when
their first page has finished loading; the time is taken from just before
the exec. PSS is summed over the program and every process it started
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
import time
from pathlib import Path

from comparison import inputs, measure, report

SETTLE_SECONDS = 1.5      # shown page, before memory is read
LOAD_DEADLINE = 60.0      # seconds for a start page to finish loading
EXIT_DEADLINE = 15.0      # seconds for a program to close after SIGTERM


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


def run_once(argv, env, report_file):
    """(seconds from exec to page loaded, PSS in KiB, process names)."""
    report_file.unlink(missing_ok=True)
    env = dict(env, PAGORA_REPORT_LOAD_FINISHED=str(report_file))
    started = time.monotonic_ns()
    program = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        deadline = time.monotonic() + LOAD_DEADLINE
        while not (report_file.exists() and report_file.read_text().strip()):
            if program.poll() is not None:
                raise measure.RunFailed(f"{argv[0]} exited with {program.returncode} before its page loaded")
            if time.monotonic() > deadline:
                raise measure.RunFailed(f"{argv[0]} did not report its page loaded within {LOAD_DEADLINE:.0f} s "
                                        "(does it honour PAGORA_REPORT_LOAD_FINISHED?)")
            time.sleep(0.002)
        loaded = int(report_file.read_text().strip())
        time.sleep(SETTLE_SECONDS)
        pss, names = tree_pss_kib(program.pid)
    finally:
        program.send_signal(signal.SIGTERM)
        try:
            program.wait(timeout=EXIT_DEADLINE)
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()
            raise measure.RunFailed(f"{argv[0]} did not close within {EXIT_DEADLINE:.0f} s of SIGTERM")
    return (loaded - started) / 1e9, pss, names


def compare(comparison):
    viewer = comparison.bin / "pagora"
    floor = comparison.bin / "pagora-engine-floor"
    missing = [str(p) for p in (viewer, floor) if not os.access(p, os.X_OK)]
    missing += [tool for tool in ("Xvfb", "dbus-daemon") if shutil.which(tool) is None]
    comparison.say("## Viewer: exec to start page loaded, and memory\n")
    if missing:
        comparison.say(f"Left out: {', '.join(missing)} not found (build with PAGORA_BUILD_GUI=ON).\n")
        return
    pages = comparison.scratch / "pages"
    pages.mkdir()
    trees = [inputs.existing_tree("sample-book", comparison.REPO / "examples" / "sample-book")]
    shared = comparison.REPO.parent / "shared" / "books" / "sqlite3-doc"
    if shared.is_dir():
        trees.append(inputs.existing_tree("sqlite3-doc", shared))
    display = Display(comparison.scratch)
    rows, memory_rows = [], []
    try:
        for tree in trees:
            copy = pages / tree.name
            shutil.copytree(tree.path, copy)
            book = inputs.make_book(inputs.Tree(tree.name, copy, tree.files, tree.bytes), pages,
                                    comparison.pagora_book, viewer)
            comparison.log(f"viewer: {tree.name}")
            samples = {"pagora": measure.Samples("pagora"), "floor": measure.Samples("floor")}
            pss = {"pagora": [], "floor": []}
            for round_number in range(comparison.arguments.rounds + 1):
                order = ["pagora", "floor"]
                comparison.rng.shuffle(order)
                for name in order:
                    temp = comparison.scratch / "viewer-tmp"
                    temp.mkdir()
                    # The runs leave no reading place in the home of whoever runs them.
                    env = dict(display.env, TMPDIR=str(temp), PAGORA_NO_STATE="1")
                    argv = [str(book)] if name == "pagora" else [str(floor), str(copy / "index.html")]
                    measure.settle()
                    seconds, kib, names = run_once(argv, env, comparison.scratch / "loaded")
                    left = os.listdir(temp)
                    shutil.rmtree(temp)
                    if name == "pagora" and left:
                        raise measure.RunFailed(f"the viewer left {left} in its temporary directory")
                    if round_number == 0:
                        continue
                    samples[name].add(measure.Run(seconds, 0))
                    pss[name].append(kib)
                if round_number > 0:
                    comparison.log(f"  round {round_number}: pagora {samples['pagora'].seconds[-1]:.3f}s "
                                   f"{pss['pagora'][-1] / 1024:.0f} MiB, floor {samples['floor'].seconds[-1]:.3f}s "
                                   f"{pss['floor'][-1] / 1024:.0f} MiB ({', '.join(sorted(set(names)))})")
            comparison.results[f"viewer/{tree.name}"] = {"seconds": {n: s.seconds for n, s in samples.items()},
                                                         "pss_kib": pss}
            p, f = samples["pagora"], samples["floor"]
            ratio = p.median / f.median
            rows.append([f"{tree.name} ({tree.files} files)", report.seconds_cell(p), report.seconds_cell(f),
                         f"{ratio:.3f}", report.verdict(ratio <= 1.05)])
            p_pss, f_pss = statistics.median(pss["pagora"]), statistics.median(pss["floor"])
            memory_rows.append([tree.name, f"{p_pss / 1024:.1f} MiB", f"{f_pss / 1024:.1f} MiB",
                                f"{(p_pss - f_pss) / 1024:+.1f} MiB", report.verdict(p_pss - f_pss <= 10 * 1024)])
            inputs.remove(book)
    finally:
        display.close()
    comparison.say(report.table(["book", "pagora: exec to page loaded", "engine floor", "pagora ÷ floor",
                                 "target ≤ 1.05"], rows))
    comparison.say()
    comparison.say(report.table(["book", "pagora PSS (tree)", "floor PSS (tree)", "difference",
                                 "target ≤ +10 MiB"], memory_rows))
    comparison.say()
