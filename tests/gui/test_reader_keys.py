"""Keys a reader expects beside the menus' own: text size steps, Alt+Home,
Backspace and Shift+Backspace outside text fields, F5 and Ctrl+R, Space; the
keyboard shortcuts window that lists them all; and the window as assistive
technology and a reader without a mouse meet it."""

import unittest

import pyatspi

import pagora_gui as gui
from pagora_gui import find, find_all, is_checked, is_enabled, is_showing, states_of, wait_for

START = gui.page(
    "Keys",
    '<h1>Keys start</h1><p><a href="second.html">second page</a></p>'
    '<p><input aria-label="field" value="abc" size="20"></p>'
    + "".join(f"<p>Line {n} of the start page</p>" for n in range(120)),
    # A new token on every load: a refresh shows.
    script="document.title = 'Keys ' + Math.random().toString(36).slice(2);",
)
SECOND = gui.page("Second", "<h1>Second page</h1>")

# Every key the command table binds, and the page's own, as the shortcuts
# window shows them: the title of the row and its keys in GTK's words.
TABLE_KEYS = {
    "Print": ["Ctrl+P"],
    "Copy": ["Ctrl+C", "Ctrl+Insert"],
    "Select All": ["Ctrl+A"],
    "Find": ["Ctrl+F"],
    "Find Next": ["F3", "Ctrl+G"],
    "Find Previous": ["Shift+F3", "Shift+Ctrl+G"],
    "Search Book": ["Shift+Ctrl+F"],
    "Increase Text Size": ["Ctrl++", "Ctrl+=", "Ctrl++"],  # the last is the keypad's
    "Decrease Text Size": ["Ctrl+-", "Ctrl+-"],
    "Reset Text Size": ["Ctrl+0"],
    "Stop": ["Escape"],
    "Refresh": ["F5", "Ctrl+R"],
    "Back": ["Alt+\u2190", "BackSpace"],
    "Forward": ["Alt+\u2192", "Shift+BackSpace"],
    "Home": ["Alt+Home"],
    "Keyboard Shortcuts": ["Ctrl+?"],
    "Scroll down one screen": ["\u2423"],
    "Scroll up one screen": ["Shift+\u2423"],
}


def checked_size(viewer):
    return [item.name for item in viewer.menu_item("View", "Fonts") if is_checked(item)]


class OneViewerTest(unittest.TestCase):
    """One viewer of the two-page book for the whole class, made as BOOK names it."""
    BOOK = "keys"

    @classmethod
    def setUpClass(cls):
        gui.check_environment(cls)
        book = gui.make_book(cls.BOOK, {"index.html": START, "second.html": SECOND}, title=cls.BOOK.title())
        cls.viewer = gui.Viewer(book, env={"PAGORA_NO_STATE": "1"})
        wait_for(lambda: cls.viewer.page_title().startswith("Keys "), what="the start page")
        cls.viewer.wait_for_active()

    @classmethod
    def tearDownClass(cls):
        cls.viewer.stop()


class ReaderKeysTest(OneViewerTest):

    def setUp(self):
        self.viewer.close_menus()
        gui.xdotool("mousemove", 0, 0)

    def go_start(self):
        wait_for(lambda: self.viewer.page_title().startswith("Keys "), what="the start page")

    def heading(self, name="Keys start"):
        return wait_for(lambda: find(self.viewer.document(), role="heading", name=name), what=f"the heading {name!r}")

    def click_page(self):
        """Puts the focus on the page itself, in no field."""
        gui.click(self.heading())

    def test_text_size_keys_step_through_the_fonts_menus_sizes(self):
        self.addCleanup(gui.press, "ctrl+0")
        self.click_page()
        medium = gui.extents_of(self.heading())[3]
        steps = [("ctrl+plus", "Larger"), ("ctrl+plus", "Largest"), ("ctrl+plus", "Largest"),
                 ("ctrl+minus", "Larger"), ("ctrl+0", "Medium"), ("ctrl+minus", "Smaller"),
                 ("ctrl+minus", "Smallest"), ("ctrl+minus", "Smallest"), ("ctrl+equal", "Smaller"),
                 ("ctrl+KP_Add", "Medium"), ("ctrl+KP_Subtract", "Smaller"), ("ctrl+0", "Medium")]
        for key, size in steps:
            with self.subTest(key=key, size=size):
                gui.press(key)
                wait_for(lambda: checked_size(self.viewer) == [size], what=f"{size} checked after {key}")
                if size == "Largest":
                    wait_for(lambda: gui.extents_of(self.heading())[3] > medium, what="larger text")
        wait_for(lambda: gui.extents_of(self.heading())[3] == medium, what="the medium size again")

    def test_navigation_keys(self):
        def token():
            return self.viewer.page_title()

        for name, key in [("F5", "F5"), ("Ctrl+R", "ctrl+r")]:
            with self.subTest(refresh=name):
                self.go_start()
                before = token()
                gui.press(key)
                wait_for(lambda: token() != before and token().startswith("Keys "), what=f"a refresh by {name}")
        gui.click(wait_for(lambda: find(self.viewer.document(), role="link", name="second page"), what="the link"))
        self.viewer.wait_for_page("Second")
        gui.click(self.heading("Second page"))
        gui.press("BackSpace")
        self.go_start()
        self.click_page()
        gui.press("shift+BackSpace")
        self.viewer.wait_for_page("Second")
        gui.press("alt+Home")
        self.go_start()

    def test_backspace_in_a_text_field_edits_the_field(self):
        self.go_start()
        field = wait_for(lambda: find(self.viewer.document(), role="entry"), what="the field")
        gui.click(field)
        wait_for(lambda: pyatspi.STATE_FOCUSED in states_of(field), what="the field to take the focus")
        gui.press("End")
        title = self.viewer.page_title()
        gui.press("BackSpace")
        wait_for(lambda: gui.text_of(field) == "ab", what="the field to lose a letter")
        gui.press("shift+BackSpace")
        wait_for(lambda: gui.text_of(field) == "a", what="the field to lose another")
        self.assertEqual(self.viewer.page_title(), title, "the page must stay")

    def test_space_pages_down_and_shift_space_up(self):
        self.go_start()
        self.click_page()
        top = gui.extents_of(self.heading())[1]
        gui.press("space")
        wait_for(lambda: gui.extents_of(self.heading())[1] < top - 100, what="a page down")
        gui.press("shift+space")
        wait_for(lambda: gui.extents_of(self.heading())[1] == top, what="a page up")

    def shortcuts_window(self):
        return wait_for(lambda: next((w for w in self.viewer.windows()
                                      if w.name == "Keyboard Shortcuts" and is_showing(w)), None),
                        what="the keyboard shortcuts window")

    def shortcut_rows(self, window):
        """{row title: [its keys as shown]}. A row is an icon, the keys (labels such as
        "Ctrl", "+", "C", with "/" between two keys) and the title."""
        rows = {}
        for row in find_all(window, predicate=lambda a: [child.getRoleName() for child in a] == [
                "icon", "filler", "filler"]):
            keys = "".join(label.name for label in find_all(row[1], role="label"))
            titles = [label.name for label in find_all(row[2], role="label") if label.name]
            if titles:
                rows[titles[0]] = keys.split("/")
        return rows

    def test_the_shortcuts_window_lists_every_key(self):
        for how, open_window in [("key", lambda: gui.press("ctrl+question")),
                                 ("menu", lambda: self.viewer.open_menu_and_click("Help", "Keyboard Shortcuts"))]:
            with self.subTest(opened_by=how):
                open_window()
                window = self.shortcuts_window()
                rows = wait_for(lambda: self.shortcut_rows(window), what="the rows of the window")
                # Other rows may come with other commands; these must all be there as they are.
                self.assertEqual({title: rows.get(title) for title in TABLE_KEYS}, TABLE_KEYS)
                gui.press("Escape")
                wait_for(lambda: not any(w.name == "Keyboard Shortcuts" and is_showing(w)
                                         for w in self.viewer.windows()), what="the window to close")


def under_menu_bar(frame):
    """Every accessible below the frame that is not inside its menu bar."""
    found, queue = [], [frame]
    while queue:
        node = queue.pop(0)
        try:
            if node.getRoleName() == "menu bar":
                continue
            found.append(node)
            queue.extend(child for child in node)
        except Exception:  # noqa: BLE001 - a node that went away
            continue
    return found


def identity(accessible):
    return accessible.getRoleName(), accessible.name


def with_ancestors(accessible):
    """The accessible and every one it stands in: a page counts as reached when a link in it is."""
    chain = []
    while accessible is not None and accessible.getRoleName() != "frame":
        chain.append(identity(accessible))
        accessible = accessible.parent
    return chain


class AccessibilityTest(OneViewerTest):
    BOOK = "access"

    def test_buttons_and_menu_items_name_themselves_and_describe_their_shortcuts(self):
        # Each shortcut as the menus write it; items and buttons without one describe nothing.
        shortcuts = {"Back": "Alt+Left Arrow", "Forward": "Alt+Right Arrow", "Stop": "Esc", "Refresh": "F5",
                     "Home": "Alt+Home", "Copy": "Ctrl+C", "Print": "Ctrl+P", "Print...": "Ctrl+P",
                     "Select All": "Ctrl+A", "Increase Text Size": "Ctrl++", "Decrease Text Size": "Ctrl+-",
                     "Reset Text Size": "Ctrl+0", "Keyboard Shortcuts": "Ctrl+?", "Find...": "Ctrl+F",
                     "Find Next": "F3", "Find Previous": "Shift+F3", "Search Book...": "Ctrl+Shift+F"}
        without = ["About", "About...", "Print Setup...", "Forget Reading Places", "Exit", "Toolbar", "Status Bar",
                   "Largest", "Medium", "Book's Own", "Sepia"]
        controls = self.viewer.toolbar_buttons() + find_all(
            find(self.viewer.frame(), role="menu bar"),
            predicate=lambda a: a.getRoleName() in ("menu item", "check menu item", "radio menu item"))
        self.assertGreater(len(controls), 30)
        for control in controls:
            with self.subTest(control=control.name, role=control.getRoleName()):
                self.assertTrue(control.name)
                if control.name in shortcuts:
                    self.assertEqual(control.description, shortcuts[control.name])
                if control.name in without:
                    self.assertEqual(control.description, "")

    def focus_after(self, before):
        """What holds the focus once it has moved from `before`: the page's view itself
        stands between the last button and the page's first control, and shows as nothing."""
        def moved():
            now = gui.focused(self.viewer.frame())
            if now is None and before is None:
                return None
            return [now] if now is None or before is None or identity(now) != identity(before) else None

        try:
            return wait_for(moved, timeout=3, what="the focus to move")[0]
        except gui.Timeout:
            return before

    def walk_with_tab(self):
        """What can take the focus now that Tab does not reach in two rounds (each control is
        reached in either, whatever held the focus first); the menus are reached with F10 and
        their access keys."""
        wanted = {identity(a) for a in under_menu_bar(self.viewer.frame())
                  if {pyatspi.STATE_FOCUSABLE, pyatspi.STATE_SHOWING, pyatspi.STATE_SENSITIVE} <= states_of(a)
                  and a.getRoleName() != "frame"}
        self.assertIn(("push button", "Home"), wanted)
        self.assertIn(("link", "second page"), wanted)
        reached = set()
        for _ in range(2 * (len(wanted) + 4)):
            before = gui.focused(self.viewer.frame())
            gui.press("Tab")
            now = self.focus_after(before)
            if now is not None:
                reached.update(with_ancestors(now))
        return wanted, wanted - reached

    def test_tab_reaches_every_control_of_the_window(self):
        self.assertEqual(self.walk_with_tab()[1], set(), "not reached by Tab")

    def test_tab_reaches_the_find_bar_and_the_search_pane_once_open(self):
        gui.press("ctrl+f")
        entry = wait_for(lambda: find(self.viewer.frame(), name="Find in page", predicate=is_showing),
                         what="the find bar")
        self.addCleanup(lambda: wait_for(lambda: find(self.viewer.frame(), name="Find in page",
                                                      predicate=is_showing) is None, what="the find bar to close"))
        self.addCleanup(gui.click, find(entry.parent, role="push button", name="Close find bar"))
        gui.press("ctrl+shift+f")
        pane = wait_for(lambda: find(self.viewer.frame(), name="Search book", predicate=is_showing),
                        what="the search pane")
        self.addCleanup(lambda: self.viewer.open_menu_and_click("Edit", "Search Book..."))
        wanted, missed = self.walk_with_tab()
        self.assertIn(identity(entry), wanted)
        self.assertIn(identity(pane), wanted)
        self.assertEqual(missed, set(), "not reached by Tab")


if __name__ == "__main__":
    unittest.main()
