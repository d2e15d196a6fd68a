"""The rest of a book is written behind the window: a page the reader asks for
during the writing comes at once, closing the window or a crash during the
writing leaves nothing, and a disk that fills up behind the window is told
after it, with nothing left."""

import os
import resource
import signal
import unittest

import pagora_gui as gui
from pagora_gui import find, wait_for
from test_crash_cleanup import file_count, our_watchers

FILE_COUNT = 20000
ESBN = "behind"
NOT_ENOUGH_SPACE = "Not enough disk space or other file error!"


class WritingBehindTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.book = None
        if not (gui.VIEWER and gui.BOOK_TOOL and gui.ROOT):
            return
        # Stored in name order: the start page, then 19,998 pages, then the
        # page it links to, last of all.
        files = {
            "index.html": gui.page("Start", '<p><a href="zzz_last.html">the last page</a></p>'),
            "zzz_last.html": gui.page("Last", "<p>the last stored page</p>"),
        }
        for number in range(FILE_COUNT - 2):
            files[f"a/p{number:05d}.html"] = f"<p>page {number}</p>\n" * 40
        cls.book = gui.make_book(ESBN, files, title="Behind")

    def setUp(self):
        gui.check_environment(self)
        gui.empty_temp_directory()
        self.folder = gui.private_folder(ESBN)

    def start(self, book=None, **options):
        viewer = gui.Viewer(book or self.book, **options)
        self.addCleanup(viewer.stop)
        return viewer

    def require_writing(self, spare=2000):
        """Skips when the machine wrote (nearly) the whole book before the test could act."""
        written = file_count(self.folder)
        if written > FILE_COUNT - spare:
            self.skipTest(f"{written} of {FILE_COUNT} files were written before the test could act")

    def test_a_page_asked_for_during_the_writing_comes_at_once(self):
        viewer = self.start()
        viewer.wait_for_page("Start")
        link = wait_for(lambda: find(viewer.document(), role="link", name="the last page"), what="the link")
        self.require_writing()
        gui.click(link)
        viewer.wait_for_page("Last")
        self.assertLess(file_count(self.folder), FILE_COUNT, "the page waited for the whole book")
        wait_for(lambda: file_count(self.folder) == FILE_COUNT, what="the rest of the book written")
        viewer.send(signal.SIGTERM)
        self.assertEqual(viewer.wait_exit(), 0)
        self.assertEqual(os.listdir(gui.TMPDIR), [])

    def test_closing_during_the_writing_stops_it_and_leaves_nothing(self):
        viewer = self.start()
        viewer.frame()
        self.require_writing()
        viewer.send(signal.SIGTERM)
        self.assertEqual(viewer.wait_exit(), 0, viewer.log())
        self.assertEqual(os.listdir(gui.TMPDIR), [], "nothing may be left, nor written after the window closed")

    def test_a_crash_during_the_writing_leaves_the_watcher_to_remove_everything(self):
        viewer = self.start()
        viewer.frame()
        self.require_writing()
        viewer.send(signal.SIGKILL)
        self.assertEqual(viewer.wait_exit(), -signal.SIGKILL)
        try:
            wait_for(lambda: not os.path.exists(self.folder), what=f"{self.folder} to be removed")
        except gui.Timeout:
            left = [os.path.join(d, n) for d, ds, ns in os.walk(self.folder) for n in ds + ns]
            self.fail(f"left behind: {left[:20]}")
        self.assertEqual(os.listdir(gui.TMPDIR), [])
        wait_for(lambda: not our_watchers(), what="the watcher to exit")

    def test_a_disk_that_fills_up_behind_the_window_is_told_after_it_and_nothing_is_left(self):
        def full_at_two_mebibytes():
            # A file may grow to 2 MiB: the big one cannot.
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (2 << 20, 2 << 20))

        # The rest of the book is written from the end of the load: its first
        # files while the window is made, the others once the page is shown.
        for where, big in (("while the window is made", "0/big.bin"), ("half-way", "m/big.bin")):
            with self.subTest(where):
                gui.empty_temp_directory()
                files = {"index.html": gui.page("Start", "<p>start</p>"), big: os.urandom(4 << 20)}
                for number in range(1000):
                    files[f"a/p{number:04d}.html"] = f"<p>page {number}</p>"
                    files[f"z/p{number:04d}.html"] = f"<p>page {number}</p>"
                book = gui.make_book("full", files, title="Full")
                viewer = self.start(book, preexec_fn=full_at_two_mebibytes)
                alert = viewer.alert()
                self.assertTrue(viewer.has_frame(), "the message comes after the window")
                self.assertEqual(alert.name, "Warning")
                self.assertTrue(find(alert, role="label", name=NOT_ENOUGH_SPACE), gui.text_of_labels(alert))
                viewer.dismiss(alert)
                self.assertEqual(viewer.wait_exit(), 1, viewer.log())
                self.assertEqual(os.listdir(gui.TMPDIR), [])


if __name__ == "__main__":
    unittest.main()
