"""The main window as the reader sees it: caption, menu, toolbar, status bar,
the commands' states, and moving through the book."""

import subprocess
import unittest

import pagora_gui as gui
from pagora_gui import find, find_all, is_checked, is_enabled, is_showing, wait_for

TITLE = "A Walk & <Test> «Book»"

START = gui.page(
    "Start Page",
    """
    <h1 id="heading">Start of the book</h1>
    <p><a href="page2.html">To the second page</a></p>
    <p>Some text to select.</p>
    """,
)
SECOND = gui.page("Second Page", '<h1>Second</h1><p><a href="index.html">Back to the start</a></p>')

TOOLBAR_LABELS = ["Back", "Forward", "Stop", "Refresh", "Home", "Copy", "Print", "About"]


class MainWindowTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        gui.check_environment(cls)
        book = gui.make_book("window", {"index.html": START, "page2.html": SECOND}, title=TITLE)
        cls.viewer = gui.Viewer(book)
        cls.viewer.wait_for_page("Start Page")

    @classmethod
    def tearDownClass(cls):
        cls.viewer.stop()

    def setUp(self):
        self.viewer.close_menus()
        gui.xdotool("mousemove", 0, 0)

    def go_home(self):
        gui.click(self.viewer.toolbar_button("Home"))
        self.viewer.wait_for_page("Start Page")

    def test_caption_is_the_book_title_and_stays_so(self):
        frame = self.viewer.frame()
        self.assertEqual(frame.name, TITLE)
        gui.click(find(self.viewer.document(), role="link", name="To the second page"))
        self.viewer.wait_for_page("Second Page")
        self.assertEqual(self.viewer.frame().name, TITLE, "a page title must not reach the caption")
        self.go_home()

    def test_window_class_names_the_program(self):
        window = self.viewer.window_id()
        wm_class = subprocess.run(["xprop", "-id", window, "WM_CLASS"], capture_output=True, text=True,
                                  check=True).stdout
        self.assertIn('"pagora", "pagora Class"', wm_class)

    def test_window_carries_the_icon_in_both_sizes(self):
        icon = subprocess.run(["xprop", "-id", self.viewer.window_id(), "_NET_WM_ICON"], capture_output=True,
                              text=True, check=True).stdout
        self.assertIn("Icon (16 x 16)", icon)
        self.assertIn("Icon (32 x 32)", icon)

    def test_toolbar_has_eight_labelled_buttons_of_one_size_in_four_groups(self):
        toolbar = find(self.viewer.frame(), role="tool bar")
        self.assertEqual([button.name for button in find_all(toolbar, role="push button")], TOOLBAR_LABELS)
        sizes = {gui.extents_of(button)[2:] for button in find_all(toolbar, role="push button")}
        self.assertEqual(len(sizes), 1, f"buttons differ in size: {sizes}")
        # Items without a button are the separators between the groups.
        groups, current = [], []
        for item in toolbar:
            button = find(item, role="push button")
            if button is None:
                groups.append(current)
                current = []
            else:
                current.append(button.name)
        groups.append(current)
        self.assertEqual(groups, [["Back", "Forward", "Stop", "Refresh", "Home"], ["Copy"], ["Print"], ["About"]])

    def test_menu_bar_holds_the_menus_and_items(self):
        menu_bar = find(self.viewer.frame(), role="menu bar")
        self.assertEqual([menu.name for menu in menu_bar], ["File", "Edit", "View", "Go", "Help"])
        expected = {
            "File": ["Print...", "Print Setup...", "", "Exit"],
            "Edit": ["Copy", "", "Select All", "", "Find...", "Find Next", "Find Previous", "", "Search Book..."],
            "View": ["Toolbar", "Status Bar", "", "Fonts", "", "Stop", "Refresh"],
            "Go": ["Back", "Forward", "", "Home"],
            "Help": ["About..."],
        }
        for menu in menu_bar:
            with self.subTest(menu=menu.name):
                self.assertEqual([item.name for item in menu], expected[menu.name])
        fonts = self.viewer.menu_item("View", "Fonts")
        self.assertEqual([item.name for item in fonts], ["Largest", "Larger", "Medium", "Smaller", "Smallest"])

    def test_status_bar_shows_the_prompt_of_the_button_under_the_pointer(self):
        for label, prompt in [("Back", "Goes back one step"), ("Home", "Opens the start page"),
                              ("About", "Display information about this E-Book")]:
            with self.subTest(button=label):
                gui.hover(self.viewer.toolbar_button(label))
                wait_for(lambda: self.viewer.status_text() == prompt, what=f"the prompt {prompt!r}")
        gui.hover(self.viewer.document())
        wait_for(lambda: self.viewer.status_text() == "Ready", what="Ready again")

    def test_tooltips_carry_the_short_names(self):
        # GTK hands a widget's tooltip to the accessibility tree as its description.
        tips = [button.description for button in self.viewer.toolbar_buttons()]
        self.assertEqual(tips, TOOLBAR_LABELS)

    def test_status_bar_shows_the_prompt_of_the_highlighted_menu_item(self):
        self.viewer.open_menu_and_click("Go")
        home = wait_for(lambda: (lambda item: item if is_showing(item) else None)(
            self.viewer.menu_item("Go", "Home")), what="the Go menu")
        gui.hover(home)
        wait_for(lambda: self.viewer.status_text() == "Opens the start page", what="the Home prompt")
        self.viewer.close_menus()
        wait_for(lambda: self.viewer.status_text() == "Ready", what="Ready after the menu closed")

    def test_back_forward_and_home_follow_the_history(self):
        self.go_home()
        gui.click(find(self.viewer.document(), role="link", name="To the second page"))
        self.viewer.wait_for_page("Second Page")
        back = self.viewer.toolbar_button("Back")
        forward = self.viewer.toolbar_button("Forward")
        wait_for(lambda: is_enabled(back), what="Back to be enabled")
        gui.click(back)
        self.viewer.wait_for_page("Start Page")
        wait_for(lambda: is_enabled(forward), what="Forward to be enabled")
        press_forward = ("alt+Right",)
        gui.press(*press_forward)
        self.viewer.wait_for_page("Second Page")
        gui.press("alt+Left")
        self.viewer.wait_for_page("Start Page")

    def test_view_menu_hides_and_shows_the_bars(self):
        for item, role in [("Toolbar", "tool bar"), ("Status Bar", "status bar")]:
            with self.subTest(bar=item):
                self.viewer.open_menu_and_click("View", item)
                wait_for(lambda: not is_showing(find(self.viewer.frame(), role=role)), what=f"{item} hidden")
                gui.click(self.viewer.menu_item("View"))
                wait_for(lambda: is_showing(self.viewer.menu_item("View", item)), what="the View menu")
                self.assertFalse(is_checked(self.viewer.menu_item("View", item)))
                self.viewer.close_menus()
                self.viewer.open_menu_and_click("View", item)
                wait_for(lambda: is_showing(find(self.viewer.frame(), role=role)), what=f"{item} shown")

    def test_font_sizes_change_the_text_and_carry_one_check_mark(self):
        def heading_height():
            return gui.extents_of(find(self.viewer.document(), role="heading"))[3]

        self.go_home()
        medium = heading_height()
        self.viewer.open_menu_and_click("View", "Fonts", "Largest")
        wait_for(lambda: heading_height() > medium, what="larger text")
        gui.click(self.viewer.menu_item("View"))
        gui.click(wait_for(lambda: (lambda m: m if is_showing(m) else None)(self.viewer.menu_item("View", "Fonts")),
                           what="the Fonts item"))
        wait_for(lambda: is_showing(self.viewer.menu_item("View", "Fonts", "Largest")), what="the Fonts menu")
        checked = [item.name for item in self.viewer.menu_item("View", "Fonts") if is_checked(item)]
        self.assertEqual(checked, ["Largest"])
        self.viewer.close_menus()
        self.viewer.open_menu_and_click("View", "Fonts", "Medium")
        wait_for(lambda: heading_height() == medium, what="the medium size again")

    def test_keys_reach_the_page_and_select_all_enables_copy(self):
        self.go_home()
        copy = self.viewer.toolbar_button("Copy")
        self.assertFalse(is_enabled(copy))
        gui.click(find(self.viewer.document(), role="heading"))
        gui.press("ctrl+a")
        wait_for(lambda: is_enabled(copy), what="Copy to be enabled by a selection")
        gui.click(self.viewer.toolbar_button("Home"))
        wait_for(lambda: not is_enabled(copy), what="Copy to be disabled on a new page")

    def test_copy_and_ctrl_insert_put_the_selection_on_the_clipboard(self):
        # Each key copies a different page, so each result is its own. (The test
        # never owns the clipboard itself: it runs no loop to serve it.)
        clipboard = gui.clipboard()
        for keys, page, text in [("ctrl+c", "Start Page", "Start of the book"),
                                 ("ctrl+Insert", "Second Page", "Second")]:
            with self.subTest(keys=keys):
                self.go_home()
                if page == "Second Page":
                    gui.click(find(self.viewer.document(), role="link", name="To the second page"))
                    self.viewer.wait_for_page(page)
                gui.click(find(self.viewer.document(), role="heading"))
                gui.press("ctrl+a")
                wait_for(lambda: is_enabled(self.viewer.toolbar_button("Copy")), what="a selection")
                gui.press(keys)
                wait_for(lambda: (clipboard.wait_for_text() or "").startswith(text),
                         what=f"{text!r} on the clipboard")

    def test_caps_lock_shows_its_indicator(self):
        status_labels = lambda: [label.name for label in find_all(self.viewer.frame(), role="label")]  # noqa: E731
        self.assertNotIn("CAP", status_labels())
        gui.xdotool("key", "Caps_Lock")
        try:
            wait_for(lambda: "CAP" in status_labels(), what="the CAP indicator")
        finally:
            gui.xdotool("key", "Caps_Lock")
        wait_for(lambda: "CAP" not in status_labels(), what="the CAP indicator to go")

    def test_print_and_print_setup_open_their_dialogs(self):
        for open_dialog, title in [(lambda: gui.click(self.viewer.toolbar_button("Print")), "Print"),
                                   (lambda: gui.press("ctrl+p"), "Print"),
                                   (lambda: self.viewer.open_menu_and_click("File", "Print Setup..."), "Page Setup")]:
            with self.subTest(dialog=title):
                open_dialog()
                dialog = wait_for(lambda: next((w for w in self.viewer.windows()
                                                if w.getRoleName() == "dialog" and gui.is_showing(w)), None),
                                  what=f"the {title} dialog")
                self.assertEqual(dialog.name, title)
                cancel = wait_for(lambda: find(dialog, role="push button", name="Cancel"), what="Cancel")
                gui.click(cancel)
                wait_for(lambda: not any(w.getRoleName() == "dialog" and gui.is_showing(w)
                                         for w in self.viewer.windows()), what="the dialog to close")

    def test_about_shows_the_about_page_and_back_returns(self):
        self.go_home()
        self.viewer.open_menu_and_click("Help", "About...")
        # The page carries no character set, so only the title's ASCII part reads the same.
        self.viewer.wait_for_about_page("A Walk & <Test>")
        gui.click(self.viewer.toolbar_button("Back"))
        self.viewer.wait_for_page("Start Page")


class FreshStartTest(unittest.TestCase):
    """A viewer of its own, so nothing another test did counts."""

    def setUp(self):
        gui.check_environment(self)

    def test_states_right_after_start(self):
        book = gui.make_book("fresh", {"index.html": START, "page2.html": SECOND})
        viewer = gui.Viewer(book)
        try:
            viewer.wait_for_page("Start Page")
            self.assertEqual(viewer.status_text(), "Ready")
            buttons = {button.name: button for button in viewer.toolbar_buttons()}
            wait_for(lambda: not is_enabled(buttons["Stop"]), what="loading to end")
            enabled = {name: is_enabled(button) for name, button in buttons.items()}
            self.assertEqual(enabled, {"Back": False, "Forward": False, "Stop": False, "Refresh": True,
                                       "Home": True, "Copy": False, "Print": True, "About": True})
            gui.click(viewer.menu_item("View"))
            wait_for(lambda: is_showing(viewer.menu_item("View", "Toolbar")), what="the View menu")
            self.assertTrue(is_checked(viewer.menu_item("View", "Toolbar")))
            self.assertTrue(is_checked(viewer.menu_item("View", "Status Bar")))
            checked = [item.name for item in viewer.menu_item("View", "Fonts") if is_checked(item)]
            self.assertEqual(checked, ["Medium"])
            viewer.close_menus()
        finally:
            viewer.stop()


class FocusTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)

    def test_keyboard_focus_is_on_the_page_when_the_window_opens(self):
        book = gui.make_book("focus", {"index.html": gui.page("Focus", '<p><a href="#x">first link</a></p>')})
        viewer = gui.Viewer(book)
        self.addCleanup(viewer.stop)
        viewer.wait_for_page("Focus")
        gui.press("Tab")
        link = find(viewer.document(), role="link", name="first link")
        wait_for(lambda: gui.pyatspi.STATE_FOCUSED in gui.states_of(link), what="the link to take the focus")


class NoPrintTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)

    def test_print_is_disabled_when_the_book_forbids_it(self):
        book = gui.make_book("noprint", {"index.html": START}, options=["--no-print"])
        viewer = gui.Viewer(book)
        self.addCleanup(viewer.stop)
        viewer.wait_for_page("Start Page")
        self.assertFalse(is_enabled(viewer.toolbar_button("Print")))
        # Current for assistive technology before any menu has been opened.
        self.assertFalse(is_enabled(viewer.menu_item("File", "Print...")))
        self.assertTrue(gui.is_checked(viewer.menu_item("View", "Fonts", "Medium")))
        gui.click(viewer.menu_item("File"))
        wait_for(lambda: is_showing(viewer.menu_item("File", "Print...")), what="the File menu")
        self.assertFalse(is_enabled(viewer.menu_item("File", "Print...")))
        self.assertTrue(is_enabled(viewer.menu_item("File", "Print Setup...")))
        viewer.close_menus()
        gui.press("ctrl+p")
        # Ctrl+P does nothing: no message and no print dialog; Refresh still answers.
        gui.press("F5")
        wait_for(lambda: viewer.page_title() == "Start Page", what="the page after F5")
        self.assertEqual([w.getRoleName() for w in viewer.windows() if gui.is_showing(w)], ["frame"])


if __name__ == "__main__":
    unittest.main()
