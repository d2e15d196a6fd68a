"""The engine's sandbox and what it leaves in the runtime folder. Where bubblewrap cannot make its namespaces
(here: a private mount namespace in which /usr/bin/bwrap is a program that exits 1), the viewer shows the book
without the sandbox and says so once, where the engine would abort it. Ten runs of a book leave nothing in
the runtime folder but the two lock files; without XDG_RUNTIME_DIR the lock folder in the temporary directory
is private and reused."""

import os
import signal
import stat
import subprocess
import unittest

import pagora_gui as gui

RUNTIME = os.environ.get("XDG_RUNTIME_DIR", "")
LOCKS = {"pagora Class.lock", "pagora-watcher.lock"}
NO_SANDBOX_NOTE = "pagora: running without the web engine's sandbox: /usr/bin/bwrap exited with status 1"


def book_files(folder):
    """What a book and its engine may leave in `folder`: its own names and the sandbox's folders."""
    return {name for name in gui.tree_snapshot(folder)
            if name.startswith(("pagora", ".flatpak", "webkitgtk"))}


class EngineSandboxTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)
        gui.empty_temp_directory()
        self.book = gui.make_book("sandbox", {"index.html": gui.page("Index", "<p>sandbox</p>")}, title="Sandbox")

    def run_once(self, **options):
        viewer = gui.Viewer(self.book, **options)
        self.addCleanup(viewer.stop)
        viewer.wait_for_page("Index")
        viewer.send(signal.SIGTERM)
        self.assertEqual(viewer.wait_exit(), 0, viewer.log())
        gui.wait_for_watchers()
        self.assertEqual(os.listdir(gui.TMPDIR), [], viewer.log())
        return viewer

    def test_without_namespaces_the_book_shows_without_the_sandbox(self):
        failing = os.path.join(gui.ROOT, "bwrap-that-fails")
        with open(failing, "w") as out:
            out.write("#!/bin/sh\nexit 1\n")
        os.chmod(failing, 0o755)
        for command in (["unshare", "-m"], ["unshare", "-rm"]):
            if subprocess.run([*command, "true"], capture_output=True).returncode == 0:
                break
        else:
            self.skipTest("no private mount namespace can be made here")
        replace = 'mount --bind "$1" /usr/bin/bwrap && shift && exec "$@"'
        viewer = self.run_once(command_prefix=[*command, "sh", "-c", replace, "sh", failing])
        notes = [line for line in viewer.log().splitlines() if "sandbox" in line]
        self.assertEqual(notes, [NO_SANDBOX_NOTE], viewer.log())

    def test_ten_runs_leave_only_the_locks_in_the_runtime_folder(self):
        for run in range(1, 11):
            self.run_once()
            with self.subTest(run=run):
                self.assertEqual(book_files(RUNTIME), LOCKS, gui.tree_snapshot(RUNTIME))

    def test_without_a_runtime_folder_the_lock_folder_is_private_and_reused(self):
        folder = os.path.join(gui.TMPDIR, f"pagora-{os.geteuid()}")
        identities = []
        for _ in range(2):
            viewer = gui.Viewer(self.book, env={"XDG_RUNTIME_DIR": None})
            self.addCleanup(viewer.stop)
            viewer.wait_for_page("Index")
            viewer.send(signal.SIGTERM)
            self.assertEqual(viewer.wait_exit(), 0, viewer.log())
            info = os.lstat(folder)
            self.assertTrue(stat.S_ISDIR(info.st_mode))
            self.assertEqual(stat.S_IMODE(info.st_mode), 0o700)
            identities.append((info.st_dev, info.st_ino))
            gui.wait_for(lambda: set(os.listdir(folder)) == LOCKS, what="only the locks in the lock folder")
        self.assertEqual(identities[0], identities[1], "the lock folder is reused")


if __name__ == "__main__":
    unittest.main()
