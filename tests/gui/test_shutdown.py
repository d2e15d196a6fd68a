"""Closing the window by any means removes every extracted file and folder."""

import os
import signal
import subprocess
import unittest

import pagora_gui as gui
from pagora_gui import find, wait_for

FILES = {
    "index.html": gui.page("Index", '<p>Start</p><p><img src="images/cover.png" alt="cover"></p>'),
    "images/cover.png": b"\x89PNG\r\n\x1a\n",
    "chapters/one/page.html": gui.page("One", "<p>one</p>"),
}


def close_with_exit_menu(viewer):
    viewer.open_menu_and_click("File", "Exit")


def close_with_menu_keys(viewer):
    gui.press("alt+f")
    wait_for(lambda: gui.is_showing(viewer.menu_item("File", "Exit")), what="the File menu")
    gui.press("x")


def close_with_window_manager(viewer):
    # What the close box does: the window manager asks the window to close.
    subprocess.run(["wmctrl", "-i", "-c", viewer.window_id()], check=True)


def close_with_signal(number):
    return lambda viewer: viewer.send(number)


def close_during_a_message_box(viewer):
    gui.click(find(viewer.document(), role="paragraph"), button=3)
    viewer.alert()
    viewer.send(signal.SIGTERM)


def close_during_an_open_menu(viewer):
    gui.press("alt+f")
    wait_for(lambda: gui.is_showing(viewer.menu_item("File", "Exit")), what="the File menu")
    viewer.send(signal.SIGTERM)


def dialog_named(viewer, name):
    return wait_for(lambda: next((w for w in viewer.windows() if w.getRoleName() == "dialog" and w.name == name
                                  and gui.is_showing(w)), None), what=f"the {name} dialog")


def close_during_the_print_dialog(viewer):
    gui.press("ctrl+p")
    dialog_named(viewer, "Print")
    viewer.send(signal.SIGINT)


def close_during_page_setup(viewer):
    viewer.open_menu_and_click("File", "Print Setup...")
    dialog_named(viewer, "Page Setup")
    viewer.send(signal.SIGHUP)


class ShutdownTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)
        gui.empty_temp_directory()

    def test_every_way_of_closing_removes_the_extracted_files(self):
        means = [
            ("Exit menu item", close_with_exit_menu),
            ("File menu by its access keys", close_with_menu_keys),
            ("window manager close", close_with_window_manager),
            ("SIGTERM", close_with_signal(signal.SIGTERM)),
            ("SIGINT", close_with_signal(signal.SIGINT)),
            ("SIGHUP", close_with_signal(signal.SIGHUP)),
            ("SIGTERM while a message box is open", close_during_a_message_box),
            ("SIGTERM while a menu is open", close_during_an_open_menu),
            ("SIGINT while the print dialog is open", close_during_the_print_dialog),
            ("SIGHUP while the page set-up dialog is open", close_during_page_setup),
        ]
        book = gui.make_book("shutdown", FILES, title="Shutdown")
        folder = gui.private_folder("shutdown")
        for name, close in means:
            with self.subTest(means=name):
                viewer = gui.Viewer(book)
                try:
                    viewer.wait_for_page("Index")
                    # The files the page does not use are written behind it.
                    wait_for(lambda: all(os.path.isfile(os.path.join(folder, stored)) for stored in FILES),
                             what="every file of the book written")
                    close(viewer)
                    self.assertEqual(viewer.wait_exit(), 0, viewer.log())
                    self.assertFalse(os.path.exists(folder), f"left behind: {gui.tree_snapshot(folder)}")
                    self.assertEqual(os.listdir(gui.TMPDIR), [])
                finally:
                    # A failed case must not leave its viewer or its files to the next one.
                    viewer.stop()
                    gui.empty_temp_directory()


if __name__ == "__main__":
    unittest.main()
