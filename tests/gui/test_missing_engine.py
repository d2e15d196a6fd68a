"""A book on a machine without the web engine: in a private mount namespace where WebKitGTK's library files (and
in one case GTK's too) are hidden, the book tells the reader which package to install, on standard error and in
a window by whatever the desktop has, exits with status 1 and writes nothing; --help and --version still work.
Needs root (or unprivileged user namespaces) for the namespace."""

import os
import shutil
import subprocess
import unittest

import pagora_gui as gui
from pagora_gui import find, wait_for

HERE = os.path.dirname(os.path.abspath(__file__))
HIDE = os.path.join(HERE, "hide_libraries")
WEBKIT = ("libwebkit2gtk-4.1", "libjavascriptcoregtk-4.1")
GTK = ("libgtk-3", "libgdk-3")
NAMED = ("libwebkit2gtk-4.1.so.0", "libwebkit2gtk-4.1-0", "webkit2gtk4.1")
RUNTIME = os.environ.get("XDG_RUNTIME_DIR", "")
NO_DISPLAY = {"DISPLAY": None, "WAYLAND_DISPLAY": None}


def namespace_command():
    """How to make a private mount namespace here, or None."""
    for command in (["unshare", "-m"], ["unshare", "-rm"]):
        probe = subprocess.run([*command, "true"], capture_output=True)
        if probe.returncode == 0:
            return command
    return None


def written_state():
    """What a book could write: the temporary directory, and its own and its engine's files in the runtime folder
    (the session's own services, such as the accessibility bus the test itself starts, keep theirs there)."""
    runtime = {name: entry for name, entry in gui.tree_snapshot(RUNTIME).items()
               if name.startswith(("pagora", ".flatpak", "webkitgtk"))}
    return gui.tree_snapshot(gui.TMPDIR), runtime


class MissingEngineTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)
        self.namespace = namespace_command()
        if self.namespace is None:
            self.skipTest("no private mount namespace can be made here")
        gui.empty_temp_directory()
        self.book = gui.make_book("missing-engine", {"index.html": gui.page("Index", "<p>x</p>")}, title="Missing")

    def hidden(self, *prefixes):
        return [*self.namespace, HIDE, *prefixes, "--"]

    def run_book(self, hidden, *arguments, env=None):
        return subprocess.run([*self.hidden(*hidden), self.book, *arguments], capture_output=True, text=True,
                              env=gui.environment_with(env), timeout=60 * gui.TIMEOUT_SCALE)

    def test_says_what_to_install_and_writes_nothing(self):
        before = written_state()
        result = self.run_book(WEBKIT, env=NO_DISPLAY)
        self.assertEqual(result.returncode, 1, result.stderr)
        for named in (*NAMED, self.book):
            self.assertIn(named, result.stderr)
        self.assertEqual(result.stdout, "")
        self.assertEqual(written_state(), before, "a book without its engine must write nothing")

    def test_help_and_version_need_no_engine(self):
        for hidden in (WEBKIT, WEBKIT + GTK):
            with self.subTest(hidden=hidden):
                version = self.run_book(hidden, "--version", env=NO_DISPLAY)
                self.assertEqual((version.returncode, version.stdout), (0, "book 0.1.0\n"), version.stderr)
                usage = self.run_book(hidden, "--help", env=NO_DISPLAY)
                self.assertEqual(usage.returncode, 0, usage.stderr)
                self.assertTrue(usage.stdout.startswith("Usage: book [DOCUMENT]\n"), usage.stdout)

    def test_with_a_display_gtk_shows_the_message(self):
        if os.environ.get("PAGORA_GUI_DISPLAY", "x11") != "x11":
            self.skipTest("the X11 leg reads the message box")
        before = written_state()
        viewer = gui.Viewer(self.book, command_prefix=self.hidden(*WEBKIT))
        self.addCleanup(viewer.stop)
        alert = viewer.alert()
        text = gui.text_of_labels(alert)
        for named in NAMED:
            self.assertIn(named, text)
        viewer.dismiss(alert)
        self.assertEqual(viewer.wait_exit(), 1, viewer.log())
        self.assertIn("libwebkit2gtk-4.1-0", viewer.log())
        self.assertEqual(written_state(), before)

    def test_without_gtk_either_xmessage_shows_the_message(self):
        if os.environ.get("PAGORA_GUI_DISPLAY", "x11") != "x11" or shutil.which("xmessage") is None:
            self.skipTest("needs X11 and xmessage, with no zenity or kdialog on PATH")
        path = os.pathsep.join(folder for folder in os.environ["PATH"].split(os.pathsep)
                               if not any(os.path.exists(os.path.join(folder, tool)) for tool in ("zenity", "kdialog")))
        if shutil.which("xmessage", path=path) is None:
            self.skipTest("xmessage shares its folder with zenity or kdialog")
        viewer = gui.Viewer(self.book, command_prefix=self.hidden(*WEBKIT, *GTK), env={"PATH": path})
        self.addCleanup(viewer.stop)
        window = wait_for(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^pagora$"],
                                                 capture_output=True, text=True).stdout.split(),
                          what="xmessage's window")[0]
        # What the window's close box does.
        subprocess.run(["wmctrl", "-i", "-c", window], check=True)
        self.assertEqual(viewer.wait_exit(), 1, viewer.log())
        for named in NAMED:
            self.assertIn(named, viewer.log())


if __name__ == "__main__":
    unittest.main()
