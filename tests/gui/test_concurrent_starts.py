"""Twenty books started at the same moment: exactly one opens its window, the
other nineteen are refused with the message, and none of those writes
anything."""

import os
import unittest

import pagora_gui as gui
from pagora_gui import find, wait_for

ALREADY_RUNNING = "An E-Book is already running. Please close it before starting another."
STARTS = 20
RUNTIME = os.environ.get("XDG_RUNTIME_DIR", "")


def windows_by_pid():
    """{pid: [role of each showing window]} for every application on the bus."""
    found = {}
    for app in gui.pyatspi.Registry.getDesktop(0):
        try:
            if app is None:
                continue
            app.clear_cache()
            roles = [w.getRoleName() for w in app if w is not None and gui.is_showing(w)]
            found.setdefault(app.get_process_id(), []).extend(roles)
        except Exception:  # noqa: BLE001 - an application joining or leaving the bus
            continue
    return found


class ConcurrentStartsTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)
        gui.empty_temp_directory()
        # A book each, so that a refused start that wrote anything would show
        # up as a private folder of its own.
        self.books = [gui.make_book(f"book{n}", {"index.html": gui.page(f"Book {n}", f"<p>{n}</p>")},
                                    title=f"Book {n}") for n in range(STARTS)]

    def test_twenty_starts_at_once_give_one_window_and_nineteen_refusals(self):
        viewers = []
        for book in self.books:
            viewer = gui.Viewer(book)
            self.addCleanup(viewer.stop)
            viewers.append(viewer)
        pids = {viewer.pid for viewer in viewers}

        def everyone_settled():
            # A refused start ends only when its box is dismissed, so all
            # twenty are on the bus: one with its main window, the rest with a box.
            windows = windows_by_pid()
            settled = {pid: roles for pid, roles in windows.items() if pid in pids and roles}
            return settled if len(settled) == STARTS else None

        settled = wait_for(everyone_settled, timeout=180, what="every start to show a window or a message")
        winners = [pid for pid, roles in settled.items() if "frame" in roles]
        refused = [pid for pid, roles in settled.items() if roles == ["alert"]]
        self.assertEqual(len(winners), 1, settled)
        self.assertEqual(len(refused), STARTS - 1, settled)

        winner = next(viewer for viewer in viewers if viewer.pid == winners[0])
        number = self.books.index(winner.book)
        winner.wait_for_page(f"Book {number}")
        losers = [viewer for viewer in viewers if viewer is not winner]
        for viewer in losers:
            alert = viewer.alert()
            self.assertTrue(find(alert, role="label", name=ALREADY_RUNNING), gui.text_of_labels(alert))
        # The boxes lie on top of each other, so all but one are ended and the
        # last is dismissed as a reader would.
        for viewer in losers[1:]:
            viewer.stop()
        losers[0].dismiss(losers[0].alert())
        self.assertEqual(losers[0].wait_exit(), 1)

        # Only the winner's private folder, and in the lock's folder only the
        # lock, the winner's socket and its watcher's lock.
        self.assertEqual(os.listdir(gui.TMPDIR), [f"book{number}.qvx"])
        self.assertEqual(sorted(name for name in os.listdir(RUNTIME) if name.startswith("pagora")),
                         ["pagora Class.lock", "pagora Class.sock", "pagora-watcher.lock"])
        self.assertTrue(winner.running())


if __name__ == "__main__":
    unittest.main()
