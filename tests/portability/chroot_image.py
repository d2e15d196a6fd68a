"""A Debian chroot holding only what a reader's desktop has, made once with
debootstrap and kept as a tarball, so later runs unpack it in seconds.

The tarball's name carries a digest of the recipe, the suite and the package
list: change any and the next run makes a new one (and drops the old). The mirror is the one this machine's
apt uses (PAGORA_DEBIAN_MIRROR overrides it).
"""

import hashlib
import os
import re
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

SUITE = "trixie"
# A reader's machine: the engine, GTK 3, the accessibility bus, an X server and
# D-Bus. Nothing for building, no Python, no debugging tools.
READER_PACKAGES = ("libwebkit2gtk-4.1-0", "libgtk-3-0t64", "at-spi2-core", "xvfb", "dbus")
READER_USER = "reader"
READER_UID = 1000
# Raised whenever build_image changes what it makes, so that no older tarball is used.
RECIPE = 2


def image_key(suite=SUITE, packages=READER_PACKAGES):
    recipe = "\n".join([str(RECIPE), suite, "minbase", READER_USER, str(READER_UID), *sorted(packages)])
    return hashlib.sha256(recipe.encode()).hexdigest()[:12]


def default_cache_dir():
    if os.environ.get("PAGORA_PORTABILITY_CACHE"):
        return Path(os.environ["PAGORA_PORTABILITY_CACHE"])
    base = os.environ.get("XDG_CACHE_HOME") or str(Path.home() / ".cache")
    return Path(base) / "pagora" / "portability"


def host_mirror():
    """The Debian archive this machine's apt reads (not its security archive), or None."""
    if os.environ.get("PAGORA_DEBIAN_MIRROR"):
        return os.environ["PAGORA_DEBIAN_MIRROR"]
    sources = sorted(Path("/etc/apt/sources.list.d").glob("*.sources"))
    for path in sources:
        for stanza in path.read_text().split("\n\n"):
            uris = re.search(r"^URIs:\s*(\S+)", stanza, re.M)
            suites = re.search(r"^Suites:\s*(.+)$", stanza, re.M)
            if uris and suites and not any(s.endswith("-security") for s in suites.group(1).split()):
                return uris.group(1)
    legacy = Path("/etc/apt/sources.list")
    if legacy.exists():
        for line in legacy.read_text().splitlines():
            fields = line.split()
            if len(fields) >= 3 and fields[0] == "deb" and not fields[2].endswith("-security"):
                return next(f for f in fields[1:] if not f.startswith("["))
    return None


def run(argv, **kwargs):
    subprocess.run(argv, check=True, **kwargs)


def in_chroot(root, script):
    """Runs a shell script in the chroot with /proc mounted, in a mount namespace of its own so
    that no mount outlives it, however it ends."""
    run(["unshare", "--mount", "--propagation", "private", "--fork", "sh", "-euc",
         'mount -t proc proc "$1/proc" && exec chroot "$1" sh -euc "$2"', "sh", str(root), script])


def build_image(tarball, log):
    """debootstraps a minimal system, installs the reader's packages with apt (which orders their
    set-up better than debootstrap does), adds the reader's account and packs it into tarball."""
    if shutil.which("debootstrap") is None:
        raise SystemExit("debian13: debootstrap is missing (apt-get install debootstrap, or scripts/install-deps)")
    tarball.parent.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="pagora-debian13-prep.", dir=tarball.parent) as scratch:
        root = Path(scratch) / "root"
        argv = ["debootstrap", "--variant=minbase", SUITE, str(root)]
        mirror = host_mirror()
        if mirror:
            argv.append(mirror)
        log(f"making the {SUITE} chroot: {' '.join(argv)}")
        started = time.monotonic()
        debootstrap_log = Path(scratch) / "debootstrap.log"
        with open(debootstrap_log, "w") as output:
            result = subprocess.run(argv, stdout=output, stderr=subprocess.STDOUT)
        if result.returncode != 0:
            tail = debootstrap_log.read_text().splitlines()[-20:]
            raise SystemExit("debian13: debootstrap failed:\n" + "\n".join(tail))
        log(f"debootstrap took {time.monotonic() - started:.0f} s; installing {' '.join(READER_PACKAGES)}")
        started = time.monotonic()
        # No service may start inside the chroot while packages are set up.
        policy = root / "usr/sbin/policy-rc.d"
        policy.write_text("#!/bin/sh\nexit 101\n")
        policy.chmod(0o755)
        in_chroot(root, "export DEBIAN_FRONTEND=noninteractive; apt-get update -q >/dev/null; "
                        "apt-get install -y -q --no-install-recommends " + " ".join(READER_PACKAGES) + " >/dev/null; "
                        f"useradd --create-home --uid {READER_UID} --shell /bin/bash {READER_USER}; "
                        "dbus-uuidgen --ensure=/etc/machine-id; apt-get clean; rm -rf /var/lib/apt/lists/*")
        policy.unlink()
        log(f"apt-get install took {time.monotonic() - started:.0f} s")
        partial = tarball.with_suffix(".partial")
        run(["tar", "--numeric-owner", "--xattrs", "-C", str(root), "-czf", str(partial), "."])
        partial.rename(tarball)
    for stale in tarball.parent.glob("debian13-*.tar.gz"):
        if stale != tarball:
            stale.unlink()
    log(f"kept the chroot as {tarball} ({tarball.stat().st_size / 2**20:.0f} MiB)")


def unpack_image(cache_dir, destination, refresh, log):
    """Unpacks the cached chroot into destination, making it first if needed."""
    tarball = cache_dir / f"debian13-{image_key()}.tar.gz"
    if refresh and tarball.exists():
        tarball.unlink()
    if not tarball.exists():
        build_image(tarball, log)
    else:
        log(f"using the cached chroot {tarball}")
    destination.mkdir(mode=0o755)
    run(["tar", "--numeric-owner", "--xattrs", "-C", str(destination), "-xzpf", str(tarball)])
    return tarball
