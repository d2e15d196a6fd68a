"""Finding in the page and searching the whole book, as a reader does it: the
find bar's count as the text is typed, its next and previous matches from
every key and button, Esc; the search pane over a real book, which lists what
`pagora-book search` lists, and opens the page a result names."""

import os
import subprocess
import unittest

import gi

import pagora_gui as gui
from pagora_gui import find, find_all, is_showing, states_of, text_of, wait_for

gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib  # noqa: E402

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SHARED_BOOKS = os.environ.get("PAGORA_SHARED_BOOKS") or os.path.join(REPO, "..", "shared", "books")

# Each paragraph that holds a match names itself in the page's title when the
# find selects in it; the frame tells its page through a message.
REPORT_SELECTION = """
function where(selection) {
  var node = selection && selection.anchorNode;
  while (node && !node.id) node = node.parentNode;
  return node ? node.id : '';
}
"""

FIND_PAGE = gui.page(
    "Fruit",
    """
    <style>p, h1 {font-size: 28px} iframe {width: 500px; height: 80px; border: 1px solid #888}</style>
    <p id="m1">An apple a day.</p>
    <p id="m2">Another apple here, and a pear.</p>
    <iframe src="frame.html"></iframe>
    <p id="m3">The last apple.</p>
    """,
    script=REPORT_SELECTION + """
    // Each load its own title, so a test knows the page was loaded afresh.
    document.title = 'Fruit ' + Math.random().toString(36).slice(2);
    document.addEventListener('selectionchange', function () {
      var id = where(document.getSelection());
      if (id) document.title = 'at ' + id;
    });
    window.addEventListener('message', function (event) { document.title = 'at ' + event.data; });
    document.addEventListener('keydown', function (event) { document.title = 'key ' + event.key; });
    """,
)

FRAME_PAGE = gui.page(
    "Frame",
    '<p id="f1" style="font-size:28px">A framed apple.</p>',
    script=REPORT_SELECTION + """
    document.addEventListener('selectionchange', function () {
      var id = where(document.getSelection());
      if (id) parent.postMessage(id, '*');
    });
    """,
)


def is_find_highlight(pixel):
    """The engine marks every match of a find in yellow."""
    red, green, blue = pixel
    return red > 200 and green > 200 and blue < 120


def highlighted_pixels(accessible):
    x, y, width, height = gui.extents_of(accessible)
    shot = Gdk.pixbuf_get_from_window(Gdk.get_default_root_window(), x, y, width, height)
    pixels, channels, stride = shot.get_pixels(), shot.get_n_channels(), shot.get_rowstride()
    return sum(1 for row in range(0, height, 2) for column in range(0, width, 2)
               if is_find_highlight(tuple(pixels[row * stride + column * channels:][:3])))


class FindBarTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        gui.check_environment(cls)
        book = gui.make_book("find", {"index.html": FIND_PAGE, "frame.html": FRAME_PAGE}, title="Find Book")
        cls.viewer = gui.Viewer(book)
        wait_for(lambda: cls.viewer.page_title().startswith("Fruit "), what="the page")

    @classmethod
    def tearDownClass(cls):
        cls.viewer.stop()

    def setUp(self):
        """Each test starts with the bar closed and the page loaded afresh: the
        engine seeks from the current selection on."""
        if find(self.viewer.frame(), name="Find in page", predicate=is_showing):
            gui.press("Escape")
            wait_for(lambda: not find(self.viewer.frame(), name="Find in page", predicate=is_showing),
                     what="the find bar to close")
        before = self.where()
        gui.press("F5")
        wait_for(lambda: self.where().startswith("Fruit ") and self.where() != before, what="the page reloaded")

    def entry(self):
        return wait_for(lambda: find(self.viewer.frame(), name="Find in page",
                                     predicate=lambda node: is_showing(node)), what="the find bar's entry")

    def count(self):
        """The find bar's count of matches, as shown."""
        bar = self.entry().parent
        labels = [label.name for label in find_all(bar, role="label") if "match" in label.name]
        return labels[0] if labels else ""

    def open_and_type(self, text):
        gui.press("ctrl+f")
        entry = self.entry()
        wait_for(lambda: gui.pyatspi.STATE_FOCUSED in states_of(entry), what="the keyboard in the find bar")
        # Typed again, a text would be sought anew from the match it is at.
        if text_of(entry) != text:
            gui.press("ctrl+a")
            gui.xdotool("type", "--delay", "20", text)
        wait_for(lambda: text_of(entry) == text, what=f"{text!r} in the find bar")

    def where(self):
        return self.viewer.page_title()

    def test_counts_matches_in_every_frame_as_the_reader_types(self):
        for text, shown in (("apple", "4 matches"), ("pear", "1 match"), ("kiwi", "No matches"),
                            ("APPLE", "4 matches")):
            with self.subTest(text=text):
                self.open_and_type(text)
                wait_for(lambda: self.count() == shown, what=f"{shown!r} for {text!r} (shown: {self.count()!r})")

    def test_next_and_previous_from_every_key_and_button(self):
        self.open_and_type("apple")
        wait_for(lambda: self.count() == "4 matches", what="the matches counted")
        wait_for(lambda: self.where() == "at m1", what="the first match selected")
        bar = self.entry().parent
        steps = [
            ("Return", "at m2"), ("F3", "at m3"), ("ctrl+g", "at f1"), ("Next", "at m1"),
            ("shift+Return", "at f1"), ("shift+F3", "at m3"), ("ctrl+shift+g", "at m2"), ("Previous", "at m1"),
        ]
        for step, expected in steps:
            with self.subTest(step=step):
                if step in ("Next", "Previous"):
                    gui.click(find(bar, role="push button", name=step))
                else:
                    gui.press(step)
                wait_for(lambda: self.where() == expected, what=f"{step} to reach {expected!r} (at {self.where()!r})")

    def test_escape_closes_the_bar_clears_the_highlight_and_returns_to_the_page(self):
        self.open_and_type("apple")
        wait_for(lambda: self.count() == "4 matches", what="the matches counted")
        document = self.viewer.document()
        wait_for(lambda: highlighted_pixels(document) > 0, what="the matches highlighted")
        entry = self.entry()
        gui.press("Escape")
        wait_for(lambda: not is_showing(entry), what="the find bar to close")
        wait_for(lambda: highlighted_pixels(document) == 0, what="the highlight to go")
        gui.press("k")
        wait_for(lambda: self.where() == "key k", what=f"the keyboard back on the page (at {self.where()!r})")
        # Find Next with nothing sought opens the bar again, with the last text.
        gui.press("F3")
        wait_for(lambda: is_showing(self.entry()) and text_of(self.entry()) == "apple", what="the bar again")
        wait_for(lambda: self.count() == "4 matches", what="the matches counted again")
        gui.press("Escape")


def shared_book(name):
    folder = os.path.join(SHARED_BOOKS, name)
    return folder if os.path.isdir(folder) else None


def tool_search(book, words):
    """What `pagora-book search` lists: (name, title) per page, best first."""
    run = subprocess.run([gui.BOOK_TOOL, "search", book, *words], capture_output=True, text=True)
    if run.returncode not in (0, 1):
        raise AssertionError(f"pagora-book search failed: {run.stderr}")
    return [tuple(line.split("\t", 1)) for line in run.stdout.splitlines()]


@unittest.skipUnless(shared_book("sqlite3-doc"), "no shared books beside the source tree")
class SearchPaneTest(unittest.TestCase):
    QUERY = ["virtual", "table"]

    @classmethod
    def setUpClass(cls):
        gui.check_environment(cls)
        folder = os.path.join(gui.ROOT, "books", "sqlite")
        os.makedirs(folder, exist_ok=True)
        cls.book = os.path.join(folder, "book")
        subprocess.run([gui.BOOK_TOOL, "create", shared_book("sqlite3-doc"), "-o", cls.book, "--viewer", gui.VIEWER,
                        "--title", "SQLite", "--esbn", "sqlite-search"], check=True, stdout=subprocess.DEVNULL)
        cls.expected = tool_search(cls.book, cls.QUERY)
        cls.private = gui.private_folder("sqlite-search")
        listed = subprocess.run([gui.BOOK_TOOL, "list", cls.book], check=True, capture_output=True, text=True)
        cls.stored_count = len(listed.stdout.splitlines())
        cls.viewer = gui.Viewer(cls.book)
        cls.viewer.frame()
        wait_for(lambda: cls.viewer.page_title() not in ("", None), what="the start page")

    @classmethod
    def tearDownClass(cls):
        cls.viewer.stop()

    def pane_entry(self):
        return wait_for(lambda: find(self.viewer.frame(), name="Search book", predicate=is_showing),
                        what="the search pane's entry")

    def pane(self):
        return self.pane_entry().parent

    def pane_labels(self):
        names = []
        # The pane replaces its labels as the index grows: one may go between
        # being found and being read.
        for label in find_all(self.pane(), role="label", predicate=is_showing):
            try:
                names.append(label.name)
            except GLib.GError:
                continue
        return names

    def results(self):
        results = find(self.pane(), name="Pages found")
        return [row.name for row in results]

    def book_files(self):
        """The private folder's files but the engine's own data."""
        return sorted(os.path.relpath(os.path.join(folder, name), self.private)
                      for folder, _, names in os.walk(self.private) for name in names
                      if not os.path.relpath(folder, self.private).startswith("__engine"))

    def every_book_file(self):
        files = self.book_files()
        return files if len(files) >= self.stored_count else None

    def open_pane_and_search(self):
        gui.press("ctrl+shift+f")
        entry = self.pane_entry()
        wait_for(lambda: gui.pyatspi.STATE_FOCUSED in states_of(entry), what="the keyboard in the pane")
        if text_of(entry) != " ".join(self.QUERY):
            gui.press("ctrl+a")
            gui.xdotool("type", "--delay", "20", " ".join(self.QUERY))
        count = f"{len(self.expected)} pages"
        wait_for(lambda: count in self.pane_labels() and not any("Still reading" in label
                                                                  for label in self.pane_labels()),
                 timeout=60, what=f"{count!r} with the index complete (shown: {self.pane_labels()})")

    def test_lists_what_pagora_book_search_lists_and_opens_a_result(self):
        self.assertGreater(len(self.expected), 3, "the query should find several pages")
        # The rest of the book is written behind the first page: all of it first.
        files_before = wait_for(self.every_book_file, what="every stored file written")
        self.open_pane_and_search()
        shown = self.results()
        self.assertEqual(shown, [title for _, title in self.expected][:len(shown)])
        self.assertEqual(len(shown), min(len(self.expected), 100))
        self.assertEqual(self.book_files(), files_before, "the index writes nothing")

        # A click opens the page; Enter in the entry opens the best one.
        titles = [title for _, title in self.expected]
        chosen = next(title for title in titles[1:] if titles.count(title) == 1)
        row = find(find(self.pane(), name="Pages found"), name=chosen)
        gui.click(row)
        self.viewer.wait_for_page(chosen)
        gui.click(self.pane_entry())
        gui.press("Return")
        self.viewer.wait_for_page(titles[0])

        # Esc closes the pane; the menu item shows it again with its query.
        gui.press("Escape")
        wait_for(lambda: find(self.viewer.frame(), name="Search book", predicate=is_showing) is None,
                 what="the pane to close")
        self.viewer.open_menu_and_click("Edit", "Search Book...")
        wait_for(lambda: text_of(self.pane_entry()) == " ".join(self.QUERY), what="the query kept")
        self.assertEqual(self.results(), shown)


if __name__ == "__main__":
    unittest.main()
