"""The viewer on GTK's Wayland backend (run_gui_test with PAGORA_GUI_DISPLAY=wayland: a headless weston, no X
server). Everything is driven through AT-SPI actions, since no input device exists: start and first page, the
link policy, the single-instance guard's refusal, closing by SIGTERM and by the Exit command with nothing left,
and a home folder that does not exist. Standard error carries no warning or critical of the viewer's own.

Debian's weston offers no seat at all with its headless backend, and GTK 3's Wayland backend then complains in
its own code (its initialisation, accelerators, tooltips, menus, the engine's web process) that there is no
keyboard, pointer or window; a sandboxed web process finds no desktop portal in a bare D-Bus session. Those
lines are the compositor's and the session's, not the viewer's, and are tolerated here by exactly their words."""

import os
import signal
import unittest

import pagora_gui as gui
from pagora_gui import find, wait_for

ALREADY_RUNNING = "An E-Book is already running. Please close it before starting another."
# GTK's own words where the compositor has no seat, and GDK's where no portal answers.
TOLERATED = (
    r"Gdk-CRITICAL \*\*: [0-9:.]+: gdk_seat_get_(keyboard|pointer): assertion 'GDK_IS_SEAT \(seat\)' failed$",
    r"Gdk-CRITICAL \*\*: [0-9:.]+: gdk_device_get_window_at_position_double: assertion 'GDK_IS_DEVICE \(device\)'",
    r"\(WebKitWebProcess:\d+\): Gdk-WARNING \*\*: [0-9:.]+: Failed to read portal settings: .*ServiceUnknown",
)
# GTK's accessible menu item pops its menu up before activating it, which a compositor without a seat cannot do.
TOLERATED_MENU_ACTION = (
    r"Gdk-CRITICAL \*\*: [0-9:.]+: gdk_window_get_window_type: assertion 'GDK_IS_WINDOW \(window\)' failed$",
    r"GLib-GObject-WARNING \*\*: [0-9:.]+: invalid cast from 'GtkToplevelAccessible' to 'GtkAccessible'$",
    r"Gtk-CRITICAL \*\*: [0-9:.]+: gtk_accessible_get_widget: assertion 'GTK_IS_ACCESSIBLE \(accessible\)' failed$",
)
EXTERNAL = "http://example.org/from-wayland"
PAGES = {
    "index.html": gui.page("Index", f'<p>Start</p><p><a href="{EXTERNAL}">External</a></p>'
                                    '<p><a href="next.html">Next</a></p>'),
    "next.html": gui.page("Next", "<p>next</p>"),
}


def link(viewer, name):
    return wait_for(lambda: find(viewer.document(), role="link", name=name), what=f"the link {name!r}")


class WaylandTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)
        if os.environ.get("PAGORA_GUI_DISPLAY") != "wayland":
            self.skipTest("runs in the Wayland leg (PAGORA_GUI_DISPLAY=wayland)")
        gui.empty_temp_directory()
        self.recorder = gui.AddressRecorder()
        self.book = gui.make_book("wayland", PAGES, title="Wayland")

    def start(self, book=None, **options):
        viewer = gui.Viewer(book or self.book, **options)
        self.addCleanup(viewer.stop)
        return viewer

    def assert_quiet(self, viewer, tolerated=()):
        self.assertEqual(viewer.complaints(TOLERATED + tolerated), [], viewer.log())

    def assert_closed_cleanly(self, viewer, tolerated=()):
        self.assertEqual(viewer.wait_exit(), 0, viewer.log())
        gui.wait_for_watchers()
        self.assertEqual(os.listdir(gui.TMPDIR), [])
        self.assertFalse(os.path.exists(os.path.join(os.environ["XDG_RUNTIME_DIR"], "pagora Class.sock")))
        self.assert_quiet(viewer, tolerated)

    def test_first_page_links_and_close_by_sigterm(self):
        viewer = self.start()
        viewer.wait_for_page("Index")
        # No seat, no keyboard: the lock-key indicators are off.
        labels = [label.name for label in gui.find_all(find(viewer.frame(), role="status bar"), role="label")]
        self.assertFalse({"CAP", "NUM", "SCRL"} & set(labels), labels)
        with self.subTest(link="external, to the default program"):
            gui.act(link(viewer, "External"), "jump", "click", "press")
            self.assertEqual(self.recorder.wait_for_count(1), [EXTERNAL])
            self.assertEqual(viewer.page_title(), "Index")
        with self.subTest(link="internal, in the view"):
            gui.act(link(viewer, "Next"), "jump", "click", "press")
            viewer.wait_for_page("Next")
        viewer.send(signal.SIGTERM)
        self.assert_closed_cleanly(viewer)

    def test_second_start_is_refused_and_exit_command_closes(self):
        first = self.start()
        first.wait_for_page("Index")
        second = self.start()
        alert = second.alert()
        self.assertTrue(find(alert, role="label", name=ALREADY_RUNNING), gui.text_of_labels(alert))
        gui.act(wait_for(lambda: find(alert, role="push button", name="OK"), what="the OK button"), "click", "press")
        self.assertEqual(second.wait_exit(), 1, second.log())
        self.assertEqual(first.page_title(), "Index")
        gui.act(first.menu_item("File", "Exit"), "click", "activate")
        self.assert_closed_cleanly(first, TOLERATED_MENU_ACTION)

    def test_home_folder_that_does_not_exist(self):
        viewer = self.start(env={"HOME": os.path.join(gui.ROOT, "no-such-home")})
        viewer.wait_for_page("Index")
        viewer.send(signal.SIGTERM)
        self.assert_closed_cleanly(viewer)
        self.assertFalse(os.path.exists(os.path.join(gui.ROOT, "no-such-home")))


if __name__ == "__main__":
    unittest.main()
