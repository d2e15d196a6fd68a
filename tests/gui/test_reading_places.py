"""Where the reader left off: a book with an esbn opens again at the page, the
scroll position, the text size, the style and the window size it was closed
with; Home still goes to the start page. A record naming a page the book does
not have, a damaged record, a read-only state folder, or PAGORA_NO_STATE all
mean the start page without a word, and a record holds no text of the book."""

import os
import shutil
import stat
import subprocess
import unittest

import pagora_gui as gui
from pagora_gui import find, is_checked, wait_for

HOME = os.environ.get("HOME", "")
STATE = os.path.join(HOME, ".local", "state", "pagora")
RECORD = os.path.join(STATE, "reading-places")

START = gui.page("Start", '<h1>Start of the book</h1><p><a href="long.html">the long page</a></p>')
LONG = gui.page("Long", "<h1>Long page</h1>" + "".join(f"<p>Paragraph {n} of the long page</p>" for n in range(300)))
BOOK_TEXT = "of the long page"  # what the record must never hold


def write_record(text):
    os.makedirs(STATE, mode=0o700, exist_ok=True)
    with open(RECORD, "wb") as out:
        out.write(text if isinstance(text, bytes) else text.encode())


def checked_size(viewer):
    return [item.name for item in viewer.menu_item("View", "Fonts") if is_checked(item)]


def checked_style(viewer):
    return [item.name for item in viewer.menu_item("View", "Style") if is_checked(item)]


class ReadingPlacesTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)
        shutil.rmtree(os.path.join(HOME, ".local"), ignore_errors=True)
        self.book = gui.make_book("places", {"index.html": START, "long.html": LONG}, title="Places")

    def start(self, **options):
        viewer = gui.Viewer(self.book, **options)
        self.addCleanup(viewer.stop)
        return viewer

    def close(self, viewer):
        viewer.open_menu_and_click("File", "Exit")
        self.assertEqual(viewer.wait_exit(), 0)

    def scroll_offset(self, viewer):
        """How far the page is scrolled, up to a constant: the document moves up as it scrolls,
        the window around it does not. The document's own extents are read, since those of its
        paragraphs, and of the containers between it and the window, may lag behind on a busy
        machine."""
        return gui.extents_of(viewer.frame())[1] - gui.extents_of(viewer.document())[1]

    def settled_offset(self, viewer):
        """The scroll offset once scrolling has come to rest."""
        last = [None]

        def unchanged():
            now = self.scroll_offset(viewer)
            same, last[0] = now == last[0], now
            return (now,) if same else None

        return wait_for(unchanged, what="the page to come to rest", interval=0.2)[0]

    def test_the_book_opens_where_it_was_left(self):
        viewer = self.start()
        viewer.wait_for_page("Start")
        viewer.wait_for_active()
        gui.click(find(viewer.document(), role="link", name="the long page"))
        viewer.wait_for_page("Long")
        gui.press("ctrl+plus")
        wait_for(lambda: checked_size(viewer) == ["Larger"], what="the larger size")
        viewer.open_menu_and_click("View", "Style", "Sepia")
        gui.xdotool("windowsize", "--sync", viewer.window_id(), 820, 640)
        width, height = gui.extents_of(viewer.frame())[2:]
        gui.click(find(viewer.document(), role="heading", name="Long page"))
        start_offset = self.settled_offset(viewer)
        for _ in range(4):
            gui.press("Page_Down")

        def scrolled():
            if self.scroll_offset(viewer) > start_offset:
                return True
            # On a busy machine the keys may not reach the page (the click meant to give it the
            # keyboard can land before the window's new size does): the wheel scrolls whatever is
            # under the pointer, the middle of the window.
            gui.xdotool("mousemove", "--window", viewer.window_id(), "410", "320", "click", "--repeat", "5", "5")
            return False

        wait_for(scrolled, what="the page to scroll", interval=0.5)
        offset = self.settled_offset(viewer)
        line_height = gui.extents_of(find(viewer.document(), role="paragraph"))[3]
        self.close(viewer)

        with open(RECORD, "rb") as record:
            text = record.read()
        self.assertIn(b"long.html", text)
        self.assertNotIn(BOOK_TEXT.encode(), text, "the record holds text of the book")
        self.assertNotIn(gui.TMPDIR.encode(), text, "the record holds a path of the private folder")
        self.assertEqual(stat.S_IMODE(os.stat(RECORD).st_mode), 0o600)
        self.assertEqual(stat.S_IMODE(os.stat(STATE).st_mode), 0o700)

        again = self.start()
        again.wait_for_page("Long")
        # Within one line of where it stood.
        wait_for(lambda: abs(self.scroll_offset(again) - offset) <= line_height,
                 what=f"the page scrolled to {offset} px again (now {self.scroll_offset(again)})")
        self.assertEqual(checked_size(again), ["Larger"])
        self.assertEqual(checked_style(again), ["Sepia"])
        self.assertEqual(tuple(gui.extents_of(again.frame())[2:]), (width, height))
        gui.press("alt+Home")
        again.wait_for_page("Start")

    def test_a_record_that_cannot_be_used_opens_the_start_page_without_a_word(self):
        # The size and style a record names still count when its page does not.
        cases = [
            ("a page the book no longer has",
             "pagora reading places 1\nplaces\tgone.html\t400\tlarger\tdark\t700\t500\n", ["Larger"], ["Dark"]),
            ("a damaged record",
             b"pagora reading places 1\n\x00\xff\x17garbage\tgone\n\x01", ["Medium"], ["Book's Own"]),
            ("a record of another format",
             "pagora reading places 9\nplaces\tlong.html\t400\tlarger\tdark\t700\t500\n", ["Medium"], ["Book's Own"]),
        ]
        for name, record, size, style in cases:
            with self.subTest(record=name):
                write_record(record)
                viewer = self.start()
                viewer.wait_for_page("Start")
                self.assertEqual(checked_size(viewer), size)
                self.assertEqual(checked_style(viewer), style)
                self.assertEqual(viewer.alerts_showing(), [])
                self.close(viewer)
                # Closing writes a good record in its place.
                with open(RECORD) as written:
                    self.assertIn("places\tindex.html\t0\t", written.read())

    def test_forget_reading_places_empties_the_record(self):
        write_record("pagora reading places 1\nother\tx.html\t4\tmedium\tbook\t700\t500\n")
        viewer = self.start()
        viewer.wait_for_page("Start")
        viewer.wait_for_active()
        gui.click(find(viewer.document(), role="link", name="the long page"))
        viewer.wait_for_page("Long")
        viewer.open_menu_and_click("File", "Forget Reading Places")
        wait_for(lambda: not os.path.exists(RECORD), what="the record to go")
        self.close(viewer)
        # Nor is this book recorded as it closes.
        self.assertFalse(os.path.exists(RECORD))
        self.start().wait_for_page("Start")


class NoRecordTest(unittest.TestCase):
    """Where remembering is off the viewer writes nothing outside its private folder and says nothing."""

    def setUp(self):
        gui.check_environment(self)
        shutil.rmtree(os.path.join(HOME, ".local"), ignore_errors=True)
        self.book = gui.make_book("norecord", {"index.html": START, "long.html": LONG}, title="No Record")

    def session(self, first_page="Start", **options):
        viewer = gui.Viewer(self.book, **options)
        self.addCleanup(viewer.stop)
        viewer.wait_for_page(first_page)
        viewer.wait_for_active()
        gui.click(viewer.toolbar_button("Home"))
        viewer.wait_for_page("Start")
        gui.click(find(viewer.document(), role="link", name="the long page"))
        viewer.wait_for_page("Long")
        self.assertEqual(viewer.alerts_showing(), [])
        viewer.send(gui.signal.SIGTERM)
        self.assertEqual(viewer.wait_exit(), 0)

    def test_no_state_variable_writes_nothing(self):
        before = gui.tree_snapshot(HOME)
        self.session(env={"PAGORA_NO_STATE": "1"})
        self.assertEqual(gui.tree_snapshot(HOME), before)

    def test_a_read_only_state_folder_is_read_and_stays_as_it_was(self):
        write_record("pagora reading places 1\nnorecord\tlong.html\t0\tmedium\tbook\t700\t500\n")
        before = gui.tree_snapshot(HOME)
        if os.geteuid() == 0:
            # Root writes through permissions: the folder is mounted read-only for the viewer alone.
            prefix = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                      'mount --bind -o ro "$0" "$0" && exec "$@"', STATE]
            if subprocess.run([*prefix, "true"]).returncode != 0:
                self.skipTest("root passes permissions, and mounting is not permitted here")
            self.session("Long", command_prefix=prefix)
        else:
            os.chmod(STATE, 0o500)
            self.addCleanup(os.chmod, STATE, 0o700)
            self.session("Long")
        self.assertEqual(gui.tree_snapshot(HOME), before)


if __name__ == "__main__":
    unittest.main()
