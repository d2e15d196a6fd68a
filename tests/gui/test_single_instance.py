"""One viewer at a time: a second start brings the first window back (with the
second start's activation token) and is refused having written nothing; a
start after the first ended, however it ended, runs."""

import os
import signal
import subprocess
import unittest

import pagora_gui as gui
from pagora_gui import find, wait_for

ALREADY_RUNNING = "An E-Book is already running. Please close it before starting another."
RUNTIME = os.environ.get("XDG_RUNTIME_DIR", "")


def written_state():
    """Everything a start could write: the temporary directory and the lock's folder."""
    runtime = {name: entry for name, entry in gui.tree_snapshot(RUNTIME).items() if name.startswith("pagora")}
    return gui.tree_snapshot(gui.TMPDIR), runtime


def is_iconified(frame):
    return gui.pyatspi.STATE_ICONIFIED in gui.states_of(frame)


class SingleInstanceTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)
        gui.empty_temp_directory()
        self.first_book = gui.make_book("first", {"index.html": gui.page("First", "<p>first</p>")}, title="First")
        self.other_book = gui.make_book("other", {"index.html": gui.page("Other", "<p>other</p>")}, title="Other")

    def start(self, book):
        viewer = gui.Viewer(book)
        self.addCleanup(viewer.stop)
        return viewer

    def iconify(self, viewer):
        gui.xdotool("windowminimize", viewer.window_id())
        wait_for(lambda: is_iconified(viewer.frame_even_if_hidden()), what="the window to be iconified")

    def expect_refused_start(self, book, running):
        """Starts `book` while `running` runs iconified; checks refusal, raise and no writes."""
        self.iconify(running)
        before = written_state()
        second = self.start(book)
        alert = second.alert()
        self.assertEqual(alert.name, "Information", "an information icon")
        self.assertTrue(find(alert, role="label", name=ALREADY_RUNNING), gui.text_of_labels(alert))
        wait_for(lambda: not is_iconified(running.frame()), what="the running viewer's window to come back")
        self.assertFalse(second.has_frame())
        second.dismiss(alert)
        self.assertEqual(second.wait_exit(), 1)
        self.assertEqual(written_state(), before, "a refused start must write nothing")

    def test_second_start_of_the_same_or_another_book_is_refused(self):
        first = self.start(self.first_book)
        first.wait_for_page("First")
        with self.subTest(book="same"):
            self.expect_refused_start(self.first_book, first)
        with self.subTest(book="other"):
            self.expect_refused_start(self.other_book, first)
        self.assertFalse(os.path.exists(gui.private_folder("other")))
        self.assertEqual(first.frame().name, "First")

    def test_the_second_starts_activation_token_reaches_the_first_window(self):
        first = self.start(self.first_book)
        first.wait_for_page("First")
        window = first.window_id()

        def startup_id():
            shown = subprocess.run(["xprop", "-id", window, "_NET_STARTUP_ID"], capture_output=True, text=True)
            return shown.stdout.split("=", 1)[1].strip().strip('"') if "=" in shown.stdout else ""

        cases = [
            ({"DESKTOP_STARTUP_ID": "second-start_TIME4242"}, "second-start_TIME4242"),
            ({"XDG_ACTIVATION_TOKEN": "wayland-token", "DESKTOP_STARTUP_ID": "x11-id_TIME7"}, "wayland-token"),
        ]
        for environment, expected in cases:
            with self.subTest(environment=environment):
                second = gui.Viewer(self.other_book, env=environment)
                self.addCleanup(second.stop)
                second.dismiss(second.alert())
                self.assertEqual(second.wait_exit(), 1)
                wait_for(lambda: startup_id() == expected, what=f"the first window to be presented with {expected}")

    def test_start_after_the_first_was_killed_runs_and_guards_in_turn(self):
        first = self.start(self.first_book)
        first.wait_for_page("First")
        first.send(signal.SIGKILL)
        first.wait_exit()
        self.assertTrue(os.path.exists(os.path.join(RUNTIME, "pagora Class.sock")), "a stale socket is left")
        later = self.start(self.other_book)
        later.wait_for_page("Other")
        self.assertEqual(later.frame().name, "Other")
        # The later viewer listens in its turn: a further start raises it.
        self.expect_refused_start(self.first_book, later)

    def test_start_after_the_first_closed_runs(self):
        first = self.start(self.first_book)
        first.wait_for_page("First")
        first.send(signal.SIGTERM)
        self.assertEqual(first.wait_exit(), 0)
        again = self.start(self.first_book)
        again.wait_for_page("First")


if __name__ == "__main__":
    unittest.main()
