"""A viewer that dies without its own clean-up (killed outright, or ended by a
signal it does not handle) still has its private folder removed, by the
watcher it started, within moments; the watcher then goes too."""

import os
import resource
import signal
import subprocess
import time
import unittest

import pagora_gui as gui
from pagora_gui import wait_for

SHARED_BOOKS = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                             "shared", "books"))
WATCHER_NAME = "pagora-watcher"


def make_book_from(source, name, title):
    """Packs a real book's folder with the real authoring tool."""
    folder = os.path.join(gui.ROOT, "books", name)
    os.makedirs(folder, exist_ok=True)
    book = os.path.join(folder, "book")
    subprocess.run([gui.BOOK_TOOL, "create", source, "-o", book, "--title", title, "--esbn", name,
                    "--viewer", gui.VIEWER], check=True, stdout=subprocess.DEVNULL)
    return book


def stored_file_count(source):
    return sum(len(files) for _, _, files in os.walk(source))


def file_count(folder):
    """The book's files in its private folder; the engine keeps data of its own beside them."""
    count = 0
    for top, folders, files in os.walk(folder):
        if top == folder and "__engine" in folders:
            folders.remove("__engine")
        count += len(files)
    return count


def our_watchers():
    """Watcher processes started under this test's own folders."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/comm") as comm:
                if comm.read().strip() != WATCHER_NAME:
                    continue
            with open(f"/proc/{entry}/environ", "rb") as environ:
                if f"PAGORA_GUI_ROOT={gui.ROOT}".encode() in environ.read().split(b"\0"):
                    found.append(int(entry))
        except OSError:
            continue
    return found


class GroupViewer(gui.Viewer):
    """A viewer in a process group of its own, as a terminal runs a command."""

    def __init__(self, book):
        self.book = book
        self.log_path = os.path.join(gui.ROOT, "logs", f"viewer-group-{time.monotonic_ns()}.log")
        self._log = open(self.log_path, "w")
        self.process = subprocess.Popen([book], stdout=self._log, stderr=subprocess.STDOUT,
                                        process_group=0)
        self.pid = self.process.pid
        self._app = None


class CrashCleanupTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)
        gui.empty_temp_directory()
        # The crashes below are on purpose: no core files.
        resource.setrlimit(resource.RLIMIT_CORE, (0, 0))

    def expect_removed_within(self, folder, seconds, started):
        wait_for(lambda: not os.path.exists(folder), timeout=10, what=f"{folder} to be removed")
        elapsed = time.monotonic() - started
        self.assertLessEqual(elapsed, seconds, f"removed only after {elapsed:.2f} s")
        self.assertEqual(os.listdir(gui.TMPDIR), [])
        wait_for(lambda: not our_watchers(), what="the watcher to exit")

    def test_a_killed_viewer_showing_a_real_book_has_its_folder_removed_within_two_seconds(self):
        source = os.path.join(SHARED_BOOKS, "sqlite3-doc")
        if not os.path.isdir(source):
            self.skipTest(f"no sample book at {source}")
        book = make_book_from(source, "sqlite3-doc", "SQLite")
        folder = gui.private_folder("sqlite3-doc")
        viewer = gui.Viewer(book)
        self.addCleanup(viewer.stop)
        viewer.document()
        # The rest of the book is written behind the window.
        wait_for(lambda: file_count(folder) == stored_file_count(source), what="every file of the book written")
        self.assertEqual(len(our_watchers()), 1, "one watcher while the viewer runs")

        viewer.send(signal.SIGKILL)
        started = time.monotonic()
        self.assertEqual(viewer.wait_exit(), -signal.SIGKILL)
        self.expect_removed_within(folder, 2.0, started)

    def test_a_signal_to_the_whole_group_that_kills_the_viewer_leaves_the_watcher_to_clean_up(self):
        # Ctrl+\ in a terminal: SIGQUIT to every process of the group; the
        # viewer does not handle it and dies, the watcher ignores it.
        book = gui.make_book("group", {"index.html": gui.page("Group", "<p>group</p>"),
                                       "images/dot.png": b"\x89PNG\r\n\x1a\n"}, title="Group")
        folder = gui.private_folder("group")
        viewer = GroupViewer(book)
        self.addCleanup(viewer.stop)
        viewer.wait_for_page("Group")
        # The picture is not on the page, so it is written behind it.
        wait_for(lambda: os.path.isfile(os.path.join(folder, "images", "dot.png")), what="the picture written")
        watchers = our_watchers()
        self.assertEqual(len(watchers), 1)
        self.assertEqual(os.getpgid(watchers[0]), viewer.pid, "the watcher is in the viewer's group")

        os.killpg(viewer.pid, signal.SIGQUIT)
        started = time.monotonic()
        self.assertEqual(viewer.wait_exit(), -signal.SIGQUIT)
        self.expect_removed_within(folder, 2.0, started)

    def test_a_viewer_closed_by_ctrl_c_to_its_group_cleans_up_and_its_watcher_exits(self):
        book = gui.make_book("interrupt", {"index.html": gui.page("Interrupt", "<p>interrupt</p>")},
                             title="Interrupt")
        folder = gui.private_folder("interrupt")
        viewer = GroupViewer(book)
        self.addCleanup(viewer.stop)
        viewer.wait_for_page("Interrupt")
        self.assertEqual(len(our_watchers()), 1)
        os.killpg(viewer.pid, signal.SIGINT)
        self.assertEqual(viewer.wait_exit(), 0, viewer.log())
        self.assertFalse(os.path.exists(folder))
        wait_for(lambda: not our_watchers(), what="the watcher to exit")


if __name__ == "__main__":
    unittest.main()
