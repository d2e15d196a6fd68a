"""View > Style: the named styles colour every page and frame of the book, the
about page included, at once and without a reload or a history step, and stay
through navigation; Book's own gives the authors' colours back. The window
follows the style, and with Book's own the desktop's colour-scheme preference
as its settings portal tells it."""

import os
import subprocess
import sys
import unittest

import pagora_gui as gui
from pagora_gui import find, is_checked, wait_for

AUTHOR_PAGE = (10, 120, 200)
AUTHOR_FRAME = (200, 40, 40)

START = gui.page(
    "Start",
    """
    <style>
      body { background: rgb(10, 120, 200); color: rgb(255, 255, 0); }
      h1 { width: 40%; }
      iframe { position: fixed; right: 0; bottom: 0; width: 240px; height: 140px; border: 0; }
    </style>
    <h1>Styled start</h1>
    <p><a href="second.html">second page</a></p>
    <iframe src="inner.html" title="inner"></iframe>
    """,
    # A new token on every load: a reload would show.
    script="document.title = 'Start ' + Math.random().toString(36).slice(2);",
)
INNER = gui.page("Inner", "<style>body { background: rgb(200, 40, 40); }</style><p>inner frame</p>")
SECOND = gui.page("Second", "<h1 style='width: 40%'>Second page</h1>")

STYLES = ["Book's Own", "Light", "Sepia", "Dark"]


def luminance(colour):
    red, green, blue = colour
    return (0.2126 * red + 0.7152 * green + 0.0722 * blue) / 255


# What each named style looks like, whatever its exact colours.
LOOKS = {
    "Light": lambda colour: luminance(colour) > 0.9,
    "Sepia": lambda colour: colour[0] > colour[2] + 15 and luminance(colour) > 0.75,
    "Dark": lambda colour: luminance(colour) < 0.2,
}


class Colours:
    """Colours on screen where the viewer draws its page and its window."""

    def __init__(self, viewer):
        self.viewer = viewer

    def page(self):
        """The page's background: the document's top right corner, where no text stands."""
        x, y, width, _ = gui.extents_of(self.viewer.document())
        return gui.pixel_at(x + width - 30, y + 20)

    def frame(self):
        """The inner frame's background, fixed at the document's bottom right corner."""
        x, y, width, height = gui.extents_of(self.viewer.document())
        return gui.pixel_at(x + width - 20, y + height - 20)

    def window(self):
        """The window's own background: the empty end of the menu bar."""
        x, y, width, height = gui.extents_of(find(self.viewer.frame(), role="menu bar"))
        return gui.pixel_at(x + width - 5, y + height // 2)


def choose_style(viewer, name):
    viewer.close_menus()
    viewer.open_menu_and_click("View", "Style", name)
    wait_for(lambda: is_checked(viewer.menu_item("View", "Style", name)), what=f"{name} checked")


class ReadingStylesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        gui.check_environment(cls)
        book = gui.make_book("styles", {"index.html": START, "inner.html": INNER, "second.html": SECOND},
                             title="Styles")
        cls.viewer = gui.Viewer(book, env={"PAGORA_NO_STATE": "1"})
        cls.colours = Colours(cls.viewer)
        wait_for(lambda: cls.viewer.page_title().startswith("Start "), what="the start page")
        cls.viewer.wait_for_active()

    @classmethod
    def tearDownClass(cls):
        cls.viewer.stop()

    def setUp(self):
        self.viewer.close_menus()
        gui.xdotool("mousemove", 0, 0)
        self.addCleanup(lambda: choose_style(self.viewer, "Book's Own"))

    def checked_styles(self):
        return [name for name in STYLES if is_checked(self.viewer.menu_item("View", "Style", name))]

    def go_start(self):
        gui.click(self.viewer.toolbar_button("Home"))
        wait_for(lambda: self.viewer.page_title().startswith("Start "), what="the start page")

    def test_each_style_colours_page_and_frame_at_once_and_books_own_gives_the_authors_colours_back(self):
        # The second page stands before this one in the history.
        gui.click(wait_for(lambda: find(self.viewer.document(), role="link", name="second page"), what="the link"))
        self.viewer.wait_for_page("Second")
        self.go_start()
        wait_for(lambda: self.colours.page() == AUTHOR_PAGE, what="the author's page colour")
        self.assertEqual(self.colours.frame(), AUTHOR_FRAME)
        self.assertEqual(self.checked_styles(), ["Book's Own"])
        title = self.viewer.page_title()
        window_colour = self.colours.window()
        for name, looks_right in LOOKS.items():
            with self.subTest(style=name):
                choose_style(self.viewer, name)
                page = wait_for(lambda: (lambda c: c if looks_right(c) else None)(self.colours.page()),
                                what=f"the page in {name}")
                self.assertEqual(self.colours.frame(), page, "the frame takes the style too")
                self.assertEqual(self.checked_styles(), [name])
                # The window goes dark with Dark only.
                expect_dark = name == "Dark"
                wait_for(lambda: (luminance(self.colours.window()) < 0.4) == expect_dark,
                         what=f"the window {'dark' if expect_dark else 'light'} in {name}")
        choose_style(self.viewer, "Book's Own")
        wait_for(lambda: self.colours.page() == AUTHOR_PAGE, what="the author's page colour again")
        self.assertEqual(self.colours.frame(), AUTHOR_FRAME)
        wait_for(lambda: self.colours.window() == window_colour, what="the window's own colours again")
        # Neither a reload (the token would change) nor a step in the history.
        self.assertEqual(self.viewer.page_title(), title)
        gui.click(self.viewer.toolbar_button("Back"))
        self.viewer.wait_for_page("Second")
        self.go_start()

    def test_a_style_stays_through_navigation_and_colours_the_about_page(self):
        choose_style(self.viewer, "Sepia")
        wait_for(lambda: LOOKS["Sepia"](self.colours.page()), what="the start page in sepia")
        sepia = self.colours.page()
        gui.click(wait_for(lambda: find(self.viewer.document(), role="link", name="second page"), what="the link"))
        self.viewer.wait_for_page("Second")
        wait_for(lambda: self.colours.page() == sepia, what="the second page in sepia")
        self.viewer.open_menu_and_click("Help", "About...")
        self.viewer.wait_for_page("About")
        wait_for(lambda: self.colours.page() == sepia, what="the about page in sepia")
        self.go_start()

    def test_style_items_are_reachable_from_the_keyboard_alone(self):
        # Alt+V opens View, Y its Style menu, and each style's access key chooses it.
        for keys, name in [(("alt+v", "y", "d"), "Dark"), (("alt+v", "y", "b"), "Book's Own")]:
            with self.subTest(style=name):
                for key in keys:
                    gui.press(key)
                wait_for(lambda: self.checked_styles() == [name], what=f"{name} chosen by keys")
        wait_for(lambda: self.colours.page() == AUTHOR_PAGE, what="the author's colours")


FAKE_PORTAL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fake_portal.py")


class DesktopColourSchemeTest(unittest.TestCase):
    """With Book's own the window and the about page follow the desktop's
    preference, read from a stand-in for its settings portal, also when it
    changes; the book's pages stay as their author made them."""

    def setUp(self):
        gui.check_environment(self)
        self.portal = subprocess.Popen([sys.executable, FAKE_PORTAL, "1"], stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, text=True)
        self.addCleanup(self.stop_portal)
        self.assertEqual(self.portal.stdout.readline().strip(), "ready")

    def stop_portal(self):
        self.portal.kill()
        self.portal.wait()

    def prefer(self, value):
        self.portal.stdin.write(f"{value}\n")
        self.portal.stdin.flush()

    def test_books_own_follows_the_desktops_preference_as_it_changes(self):
        book = gui.make_book("desktop", {"index.html": START, "inner.html": INNER}, title="Desktop")
        viewer = gui.Viewer(book, env={"PAGORA_NO_STATE": "1"})
        self.addCleanup(viewer.stop)
        colours = Colours(viewer)
        wait_for(lambda: viewer.page_title().startswith("Start "), what="the start page")
        viewer.wait_for_active()
        wait_for(lambda: colours.page() == AUTHOR_PAGE, what="the book's page as its author made it")
        wait_for(lambda: luminance(colours.window()) < 0.4, what="a dark window on a desktop preferring dark")
        viewer.open_menu_and_click("Help", "About...")
        viewer.wait_for_page("About")
        wait_for(lambda: LOOKS["Dark"](colours.page()), what="the about page dark")

        self.prefer(2)
        wait_for(lambda: luminance(colours.window()) > 0.6, what="a light window once the desktop prefers light")
        wait_for(lambda: LOOKS["Light"](colours.page()), what="the about page light")
        gui.click(viewer.toolbar_button("Back"))
        wait_for(lambda: viewer.page_title().startswith("Start "), what="the start page")
        wait_for(lambda: colours.page() == AUTHOR_PAGE, what="the book's page as its author made it")


if __name__ == "__main__":
    unittest.main()
