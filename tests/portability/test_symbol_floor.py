"""The symbol floor refuses exactly the imports that are too new: given a
program that imports one glibc symbol and one WebKitGTK function newer than
the floors beside old ones, it fails naming those two and no other, and with
the floors raised above them it passes; a program that carries that one in
its section .pagora_viewer, as pagora carries the viewer, fails the same way.
Needs PAGORA_FLOOR_BREAKER (the program built from newer_than_floor.c)."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

CHECKER = Path(__file__).resolve().parent / "symbol_floor.py"


def run_checker(*arguments):
    return subprocess.run([sys.executable, str(CHECKER), *arguments], capture_output=True, text=True)


class SymbolFloorTest(unittest.TestCase):
    def setUp(self):
        self.program = os.environ["PAGORA_FLOOR_BREAKER"]

    def test_names_each_import_newer_than_the_floors(self):
        result = run_checker(self.program)
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertEqual(sorted(result.stderr.splitlines()), [
            f"{self.program}: arc4random needs GLIBC_2.36, newer than glibc 2.34",
            f"{self.program}: webkit_web_view_get_theme_color appeared in WebKitGTK 2.50, newer than 2.40",
        ])

    def test_passes_when_the_floors_are_at_the_newest_import(self):
        result = run_checker("--glibc", "2.36", "--webkit", "2.50", self.program)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("newest glibc symbol 2.36 (arc4random)", result.stdout)
        self.assertIn("newest WebKitGTK function 2.50 (webkit_web_view_get_theme_color)", result.stdout)

    def test_a_function_no_gir_file_knows_is_refused(self):
        result = run_checker("--webkit", "2.50", "--gir", "/usr/share/gir-1.0/JavaScriptCore-4.1.gir", self.program)
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        for function in ("webkit_web_view_new", "webkit_web_view_get_theme_color"):
            self.assertIn(f"{self.program}: {function} is in no GIR file, so its WebKitGTK version is unknown",
                          result.stderr)

    def test_a_program_carrying_the_breaker_fails_for_it(self):
        with tempfile.TemporaryDirectory() as folder:
            carrier = Path(folder) / "carrier"
            shutil.copy(shutil.which("true"), carrier)
            subprocess.run(["objcopy", f"--add-section=.pagora_viewer={self.program}",
                            "--set-section-flags=.pagora_viewer=alloc,readonly,contents", str(carrier)], check=True)
            result = run_checker(str(carrier))
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertEqual([line.split(": ", 1)[1] for line in sorted(result.stderr.splitlines())], [
            "arc4random needs GLIBC_2.36, newer than glibc 2.34",
            "webkit_web_view_get_theme_color appeared in WebKitGTK 2.50, newer than 2.40",
        ])


if __name__ == "__main__":
    unittest.main()
