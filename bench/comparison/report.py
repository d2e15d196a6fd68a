"""Markdown tables of the results, and the description of the machine they
were taken on."""

import os
import platform
import subprocess


def seconds_cell(samples):
    return f"{samples.median:.3f} s ({samples.low:.3f}–{samples.high:.3f})"


def throughput_cell(samples, size):
    return f"{size / samples.median / (1 << 20):,.0f} MiB/s"


def table(header, rows):
    lines = ["| " + " | ".join(header) + " |", "|" + "|".join("---" for _ in header) + "|"]
    lines += ["| " + " | ".join(str(cell) for cell in row) + " |" for row in rows]
    return "\n".join(lines)


def verdict(met):
    return "met" if met else "NOT met"


def interval_verdict(interval, target):
    """A ratio's target, told from the ratio's interval rather than its median
    alone: "undecided" when these rounds cannot say which side it is on."""
    low, high = interval
    if high <= target:
        return "met"
    if low > target:
        return "NOT met"
    return "undecided at this noise"


def _cpu_model():
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return platform.processor() or "unknown"


def _memory_gib():
    with open("/proc/meminfo") as info:
        for line in info:
            if line.startswith("MemTotal:"):
                return int(line.split()[1]) / (1 << 20)
    return 0.0


def _filesystem_of(path):
    found = subprocess.run(["findmnt", "-n", "-o", "SOURCE,FSTYPE,OPTIONS", "-T", str(path)],
                           capture_output=True, text=True)
    return found.stdout.strip() or "unknown"


def machine_description(scratch, spread):
    load = os.getloadavg()
    return [
        f"- CPU: {_cpu_model()}, nproc {os.cpu_count()}",
        f"- Memory: {_memory_gib():.1f} GiB",
        f"- Kernel: {platform.release()}",
        f"- Scratch folder {scratch} on: {_filesystem_of(scratch)}" +
        (" (each round's folder in an emptier block group)" if spread else ""),
        f"- Load average at start: {load[0]:.2f} {load[1]:.2f} {load[2]:.2f}",
    ]
