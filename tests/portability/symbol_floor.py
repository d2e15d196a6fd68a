#!/usr/bin/python3
"""Fails when an ELF file imports a glibc symbol version newer than the glibc
floor, or a WebKitGTK (or its JavaScriptCore) function that appeared after the
WebKitGTK floor. A book runs on every distribution that meets both floors.

The imports are the undefined dynamic symbols that `readelf --dyn-syms` lists;
the version in which each WebKitGTK function appeared comes from the GIR files
of the WebKitGTK headers installed here (their `version` attributes, written
from the API's "Since:" notes). A function without one is as old as the API;
a webkit_ or jsc_ function that no GIR file knows is an error, since nothing
then says how new it is. An ELF file that carries another in a section named
.pagora_viewer (the pagora program carries the viewer library so) has that
one checked too.

Usage: symbol_floor.py [--glibc 2.34] [--webkit 2.40] [--gir FILE]... ELF...
"""

import argparse
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

DEFAULT_GIR_FILES = ("/usr/share/gir-1.0/WebKit2-4.1.gir", "/usr/share/gir-1.0/JavaScriptCore-4.1.gir")
WEBKIT_PREFIXES = ("webkit_", "jsc_")
C_IDENTIFIER = "{http://www.gtk.org/introspection/c/1.0}identifier"
GET_TYPE = "{http://www.gtk.org/introspection/glib/1.0}get-type"
# "  42: 0000000000000000     0 FUNC    GLOBAL DEFAULT  UND close_range@GLIBC_2.34 (5)"
UNDEFINED_SYMBOL = re.compile(r"^\s*\d+:\s+\S+\s+\S+\s+\S+\s+\S+\s+\S+\s+UND\s+([^@\s]+)(?:@+(\S+))?")
OLDEST = (0,)
EMBEDDED_SECTION = ".pagora_viewer"


def version_tuple(text):
    return tuple(int(part) for part in text.split("."))


def version_text(version):
    return ".".join(str(part) for part in version) if version != OLDEST else "the first"


def imported_symbols(elf):
    """(name, symbol version or None) for every undefined dynamic symbol of elf."""
    result = subprocess.run(["readelf", "--dyn-syms", "--wide", str(elf)], capture_output=True, text=True)
    if result.returncode != 0:
        raise SystemExit(f"symbol_floor: {elf}: readelf failed: {result.stderr.strip()}")
    return [(m.group(1), m.group(2)) for m in map(UNDEFINED_SYMBOL.match, result.stdout.splitlines()) if m]


def webkit_versions(gir_files):
    """Maps each C function of the GIR files to the version it appeared in."""
    versions = {}
    for gir in gir_files:
        for element in ElementTree.parse(gir).iter():
            appeared = version_tuple(element.get("version")) if element.get("version") else OLDEST
            for name in (element.get(C_IDENTIFIER), element.get(GET_TYPE)):
                if name:
                    versions[name] = appeared
    return versions


def check(elf, glibc_floor, webkit_floor, known_webkit):
    """Problems with elf (one line each) and a summary line of the newest versions it needs."""
    problems = []
    newest_glibc, newest_webkit = (OLDEST, None), (OLDEST, None)
    for name, symbol_version in imported_symbols(elf):
        if symbol_version and symbol_version.startswith("GLIBC_"):
            needed = version_tuple(symbol_version.removeprefix("GLIBC_"))
            newest_glibc = max(newest_glibc, (needed, name), key=lambda pair: pair[0])
            if needed > glibc_floor:
                problems.append(f"{elf}: {name} needs {symbol_version}, newer than glibc {version_text(glibc_floor)}")
        elif name.startswith(WEBKIT_PREFIXES):
            if name not in known_webkit:
                problems.append(f"{elf}: {name} is in no GIR file, so its WebKitGTK version is unknown")
                continue
            needed = known_webkit[name]
            newest_webkit = max(newest_webkit, (needed, name), key=lambda pair: pair[0])
            if needed > webkit_floor:
                problems.append(f"{elf}: {name} appeared in WebKitGTK {version_text(needed)}, "
                                f"newer than {version_text(webkit_floor)}")
    summary = f"{elf}: newest glibc symbol {version_text(newest_glibc[0])} ({newest_glibc[1]}), "
    if newest_webkit[1]:
        summary += f"newest WebKitGTK function {version_text(newest_webkit[0])} ({newest_webkit[1]})"
    else:
        summary += "no WebKitGTK function"
    return problems, summary


def embedded_elf(elf, folder):
    """The ELF file that `elf` carries in its section .pagora_viewer, written into `folder`; None without one."""
    sections = subprocess.run(["readelf", "--section-headers", "--wide", str(elf)], capture_output=True, text=True)
    if EMBEDDED_SECTION not in sections.stdout:
        return None
    carried = Path(folder) / f"{Path(elf).name}{EMBEDDED_SECTION}"
    subprocess.run(["objcopy", "-O", "binary", f"--only-section={EMBEDDED_SECTION}", str(elf), str(carried)],
                   check=True)
    if carried.read_bytes()[:4] != b"\x7fELF":
        raise SystemExit(f"symbol_floor: {elf}: its section {EMBEDDED_SECTION} holds no ELF file")
    return carried


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--version", action="version", version="symbol_floor.py (pagora tests)")
    parser.add_argument("--glibc", default="2.34", help="the newest glibc symbol version allowed (default 2.34)")
    parser.add_argument("--webkit", default="2.40", help="the newest WebKitGTK version allowed (default 2.40)")
    parser.add_argument("--gir", action="append", help="a GIR file to take versions from (default: WebKit2-4.1 "
                                                       "and JavaScriptCore-4.1 in /usr/share/gir-1.0)")
    parser.add_argument("elf", nargs="+", type=Path, help="an executable or shared library to check")
    arguments = parser.parse_args()

    gir_files = arguments.gir or DEFAULT_GIR_FILES
    missing = [gir for gir in gir_files if not Path(gir).is_file()]
    if missing:
        sys.exit(f"symbol_floor: no GIR file {', '.join(missing)} (libwebkit2gtk-4.1-dev installs it)")
    known_webkit = webkit_versions(gir_files)
    glibc_floor, webkit_floor = version_tuple(arguments.glibc), version_tuple(arguments.webkit)
    all_problems = []
    with tempfile.TemporaryDirectory(prefix="symbol-floor.") as folder:
        elves = []
        for elf in arguments.elf:
            elves.append(elf)
            carried = embedded_elf(elf, folder)
            if carried is not None:
                elves.append(carried)
        for elf in elves:
            problems, summary = check(elf, glibc_floor, webkit_floor, known_webkit)
            print(summary)
            all_problems += problems
    for problem in all_problems:
        print(problem, file=sys.stderr)
    return 1 if all_problems else 0


if __name__ == "__main__":
    sys.exit(main())
