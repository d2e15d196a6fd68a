"""Timing and memory of whole processes, repeated in shuffled rounds.

Every run is a fresh process measured from just before it is started until it
has been reaped, with its own resource usage (peak RSS) from wait4. Work that
only sets a run up or clears up after it (making an empty folder, removing
what a tool wrote) is never inside a timing.
"""

import os
import random
import statistics
import subprocess
import tempfile
import time
from dataclasses import dataclass, field

from comparison import scratch as scratch_folder


class RunFailed(RuntimeError):
    """A measured command did not do its job; its timing would mean nothing."""


@dataclass
class Run:
    seconds: float
    max_rss_kib: int


def run_measured(argv, *, cwd=None, env=None):
    """Runs argv to completion; raises RunFailed on a non-zero exit status."""
    # stderr goes to a file: a pipe that fills up would stall the child.
    with tempfile.TemporaryFile() as errors:
        start = time.perf_counter()
        child = subprocess.Popen(argv, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL, stderr=errors)
        _, status, usage = os.wait4(child.pid, 0)
        seconds = time.perf_counter() - start
        child.returncode = os.waitstatus_to_exitcode(status)
        if child.returncode != 0:
            errors.seek(0)
            raise RunFailed(f"{' '.join(map(str, argv))} exited with {child.returncode}: "
                            f"{errors.read().decode(errors='replace').strip()}")
    return Run(seconds, usage.ru_maxrss)


def run_peak_memory(argv, *, env=None):
    """Runs argv (a book made on pagora-load-bench) under GNU time and asks it
    for its own peak. Returns (peak RSS from time in KiB, VmHWM it printed).

    Both are taken this way because a parent's rusage of a child that was
    forked from the parent itself counts the parent's memory too: Python's
    would hide the load's. GNU time is small and always the same size.
    """
    with tempfile.NamedTemporaryFile("r") as peak, tempfile.TemporaryFile("w+") as output:
        child = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", peak.name, *argv, "--print-peak-rss"], env=env,
                               stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.PIPE, text=True)
        if child.returncode != 0:
            raise RunFailed(f"{' '.join(map(str, argv))} exited with {child.returncode}: {child.stderr.strip()}")
        output.seek(0)
        own = next((int(line.split()[1]) for line in output if line.startswith("peak-rss-kib:")), -1)
        return int(peak.read().split()[-1]), own


@dataclass
class Samples:
    """The timings of one contender over the rounds."""
    name: str
    seconds: list = field(default_factory=list)
    max_rss_kib: list = field(default_factory=list)

    def add(self, run):
        self.seconds.append(run.seconds)
        self.max_rss_kib.append(run.max_rss_kib)

    @property
    def median(self):
        return statistics.median(self.seconds)

    @property
    def low(self):
        return min(self.seconds)

    @property
    def high(self):
        return max(self.seconds)

    @property
    def spread(self):
        """(max - min) / median: how far one round can be from another."""
        return (self.high - self.low) / self.median if self.median > 0 else 0.0


@dataclass
class Contender:
    """One tool in a comparison.

    command(output_dir) gives (argv, cwd, env) for a run that writes into the
    empty folder output_dir; verify(output_dir) checks the result after the
    run and raises RunFailed when the tool did not do its job.
    """
    name: str
    command: object
    verify: object = None


def settle():
    """Flushes what earlier runs left dirty, so no run pays for another's writeback."""
    os.sync()


def compare_rounds(contenders, scratch, rounds, rng, *, removal_samples=None, pause=0.0, log=print):
    """Runs every contender once per round, in a new shuffled order each round,
    after one untimed warm-up run each. Returns {name: Samples}.

    When removal_samples is a dict, the removal of what each contender left
    behind is timed too (rm -rf) and recorded there under the contender's name.
    pause: seconds to wait before each run, after the previous run's files are
    gone. ext4 without a journal skips over recently deleted inodes when it
    makes a file, so a run that follows the removal of 15,000 files pays for
    them; a minute's pause lets every run start alike.
    """
    results = {c.name: Samples(c.name) for c in contenders}
    for round_number in range(rounds + 1):
        order = list(contenders)
        rng.shuffle(order)
        for contender in order:
            output_dir = scratch_folder.round_folder(scratch)
            argv, cwd, env = contender.command(output_dir)
            settle()
            time.sleep(pause)
            run = run_measured(argv, cwd=cwd, env=env)
            if contender.verify:
                contender.verify(output_dir)
            removal = run_measured(["rm", "-rf", str(output_dir)])
            if round_number == 0:
                continue  # warm-up: caches filled, nothing recorded
            results[contender.name].add(run)
            if removal_samples is not None:
                removal_samples.setdefault(contender.name, Samples(contender.name)).add(removal)
        if round_number > 0:
            log(f"  round {round_number}/{rounds}: " +
                ", ".join(f"{c.name} {results[c.name].seconds[-1]:.3f}s" for c in contenders))
    return results


def ratio_interval(numerators, denominators, confidence=0.9, resamples=2000):
    """(low, high): where median(numerators) ÷ median(denominators) lies with
    `confidence`, by resampling the rounds (a bootstrap). Runs of the same
    build on a busy machine differ by as much as a target's margin; the
    interval says whether these rounds can tell at all. The i-th numerator and
    denominator come from the same round, which ran every contender in turn,
    so they are resampled together: what slowed a round slowed both. Seeded,
    so the same samples give the same interval."""
    if len(numerators) != len(denominators):
        raise ValueError("a ratio's interval needs one numerator and one denominator per round")
    rng = random.Random(0)
    rounds = range(len(numerators))
    ratios = []
    for _ in range(resamples):
        chosen = rng.choices(rounds, k=len(numerators))
        ratios.append(statistics.median(numerators[i] for i in chosen) /
                      statistics.median(denominators[i] for i in chosen))
    ratios.sort()
    tail = int(resamples * (1 - confidence) / 2)
    return ratios[tail], ratios[resamples - 1 - tail]


def new_rng(seed=None):
    if seed is None:
        seed = random.SystemRandom().randrange(1 << 32)
    return seed, random.Random(seed)
