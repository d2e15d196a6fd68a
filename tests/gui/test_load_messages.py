"""Start-up as the reader sees it: the load's messages come before the window,
a damaged book still opens a window, and the command line is checked."""

import os
import shutil
import subprocess
import unittest

import pagora_gui as gui
from pagora_gui import find, wait_for

CORRUPTED = "\n\nThis E-Book seems to be corrupted."


class LoadMessagesTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)
        gui.empty_temp_directory()

    def start(self, book, *arguments):
        viewer = gui.Viewer(book, *arguments)
        self.addCleanup(viewer.stop)
        return viewer

    def test_book_without_index_page_tells_so_before_the_window_exists(self):
        book = gui.make_book("noindex", {"chapter.html": gui.page("Chapter", "<p>text</p>")}, title="No Index")
        viewer = self.start(book)
        alert = viewer.alert()
        self.assertFalse(viewer.has_frame(), "the message must come before the main window")
        self.assertEqual(alert.name, "Warning", "a warning icon")
        wait_for(lambda: viewer.window_titles() == ["pagora"], what="the message box titled pagora alone")
        self.assertTrue(find(alert, role="label", name="Index file not found!" + CORRUPTED), gui.text_of_labels(alert))
        # Every file is extracted before the message.
        self.assertTrue(os.path.exists(os.path.join(gui.private_folder("noindex"), "chapter.html")))
        viewer.dismiss(alert)
        frame = viewer.frame()
        self.assertEqual(frame.name, "No Index")
        # The about page stands in for the missing index page, and About shows it again.
        viewer.wait_for_about_page("No Index")
        viewer.open_menu_and_click("Help", "About...")
        viewer.wait_for_about_page("No Index")
        viewer.send(gui.signal.SIGTERM)
        self.assertEqual(viewer.wait_exit(), 0)
        self.assertFalse(os.path.exists(gui.private_folder("noindex")))

    def test_damaged_book_opens_an_empty_window_and_writes_nothing(self):
        book = gui.make_book("damaged", {"index.html": gui.page("Index", "<p>x</p>")}, title="Damaged")
        with open(book, "r+b") as out:
            out.seek(-1, os.SEEK_END)
            last = out.read(1)
            out.seek(-1, os.SEEK_END)
            out.write(bytes([last[0] ^ 0xFF]))
        viewer = self.start(book)
        alert = viewer.alert()
        self.assertFalse(viewer.has_frame())
        self.assertTrue(find(alert, role="label", name="Self Parse Failed" + CORRUPTED), gui.text_of_labels(alert))
        viewer.dismiss(alert)
        frame = viewer.frame()
        self.assertEqual(frame.name, "", "a book without its texts has an empty caption")
        # No file: only the private folder that its about page needs, made
        # before the engine starts so that the engine may read it.
        self.assertEqual([entry for _, _, files in os.walk(gui.TMPDIR) for entry in files], [],
                         "a damaged book writes no file")
        viewer.open_menu_and_click("Help", "About...")
        viewer.wait_for_about_page("")
        viewer.send(gui.signal.SIGTERM)
        self.assertEqual(viewer.wait_exit(), 0)
        self.assertEqual(os.listdir(gui.TMPDIR), [], "everything goes with the viewer")

    def test_start_page_in_a_folder_named_with_odd_characters(self):
        # The folder's name must reach the engine percent-encoded: '#' or '?'
        # taken literally would cut the address short.
        esbn = "odd #1 100% ?x"
        book = gui.make_book("odd", {
            "index.html": gui.page("Odd Index", '<a href="second%20page.html">next</a>'),
            "second page.html": gui.page("Odd Second", "<p>x</p>"),
        }, esbn=esbn)
        viewer = self.start(book)
        viewer.wait_for_page("Odd Index")
        self.assertTrue(os.path.isdir(gui.private_folder(esbn)))
        gui.click(find(viewer.document(), role="link", name="next"))
        viewer.wait_for_page("Odd Second")
        viewer.send(gui.signal.SIGTERM)
        self.assertEqual(viewer.wait_exit(), 0)
        self.assertFalse(os.path.exists(gui.private_folder(esbn)))

    def test_readable_document_on_the_command_line_is_accepted(self):
        document = os.path.join(gui.ROOT, "document.txt")
        with open(document, "w") as out:
            out.write("anything")
        book = gui.make_book("withdoc", {"index.html": gui.page("Index", "<p>x</p>")})
        viewer = self.start(book, document)
        viewer.wait_for_page("Index")
        viewer.send(gui.signal.SIGTERM)
        self.assertEqual(viewer.wait_exit(), 0)

    def test_unreadable_document_is_named_and_the_viewer_cleans_up_and_fails(self):
        missing = os.path.join(gui.ROOT, "no such document.txt")
        book = gui.make_book("baddoc", {"index.html": gui.page("Index", "<p>x</p>")})
        viewer = self.start(book, missing)
        alert = viewer.alert()
        message = gui.text_of_labels(alert)
        self.assertIn(missing, message)
        self.assertIn("No such file or directory", message)
        viewer.dismiss(alert)
        self.assertEqual(viewer.wait_exit(), 1)
        self.assertFalse(os.path.exists(gui.private_folder("baddoc")), "the extracted files must be removed")

    def test_command_line_errors_help_and_version(self):
        book = gui.make_book("cli", {"index.html": gui.page("Index", "<p>x</p>")})
        cases = [
            (["--help"], 0, "Usage: book [DOCUMENT]"),
            (["--version"], 0, "book "),
            (["--bogus"], 2, "unknown option"),
            (["one", "two"], 2, "more than one document"),
        ]
        for arguments, status, text in cases:
            with self.subTest(arguments=arguments):
                result = subprocess.run([book, *arguments], capture_output=True, text=True, timeout=60,
                                        env={**os.environ, "DISPLAY": ""} if status == 0 else None)
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertIn(text, result.stdout + result.stderr)
                self.assertEqual(os.listdir(gui.TMPDIR), [], "nothing may be written")


class WithoutDisplayTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)
        gui.empty_temp_directory()

    def test_no_display_fails_cleanly(self):
        book = gui.make_book("nodisplay", {"index.html": gui.page("Index", "<p>x</p>")})
        environment = {key: value for key, value in os.environ.items() if key != "DISPLAY"}
        result = subprocess.run([book], capture_output=True, text=True, timeout=60, env=environment)
        self.assertEqual(result.returncode, 1)
        self.assertIn("cannot open the display", result.stderr)
        self.assertEqual(os.listdir(gui.TMPDIR), [])
        shutil.rmtree(os.path.dirname(book))


if __name__ == "__main__":
    unittest.main()
