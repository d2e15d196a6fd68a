"""The view's commands from each place the reader can give them: the menu, the
toolbar and the keyboard, with the states their items show before and after."""

import os
import socket
import subprocess
import threading
import unittest

import pagora_gui as gui
from pagora_gui import find, is_checked, is_enabled, is_showing, wait_for

PAGE_WORDS = ["Start of the book", "Some text to select."]


class SilentServer:
    """Accepts connections on 127.0.0.1 and never answers, so a page that asks it
    for a picture stays loading until someone stops it."""

    def __init__(self):
        self._socket = socket.socket()
        self._socket.bind(("127.0.0.1", 0))
        self._socket.listen()
        self.port = self._socket.getsockname()[1]
        self._held = []
        self._thread = threading.Thread(target=self._accept, daemon=True)
        self._thread.start()

    def _accept(self):
        while True:
            try:
                connection, _ = self._socket.accept()
            except OSError:
                return
            self._held.append(connection)

    def close(self):
        self._socket.close()
        for connection in self._held:
            connection.close()


def start_page():
    # The token changes on every load, so a test can tell a reload from no reload.
    return gui.page(
        "Start Page",
        """
        <h1>Start of the book</h1>
        <h2 id="token">Token</h2>
        <p><a href="page2.html">To the second page</a> <a href="slow.html">To the slow page</a></p>
        <p>Some text to select.</p>
        """,
        script="document.getElementById('token').textContent = 'Token ' + Math.random().toString(36).slice(2);",
    )


def book_pages(port):
    return {
        "index.html": start_page(),
        "page2.html": gui.page("Second Page", '<h1>Second</h1><p><a href="index.html">Back to the start</a></p>'),
        "slow.html": gui.page("Slow Page", f'<h1>Slow</h1><img src="http://127.0.0.1:{port}/never.png" alt="">'),
    }


def showing_dialog(viewer):
    return next((w for w in viewer.windows() if w.getRoleName() == "dialog" and is_showing(w)), None)


def close_dialog(viewer, dialog, button="Cancel"):
    gui.click(wait_for(lambda: find(dialog, role="push button", name=button), what=f"the {button} button"))
    wait_for(lambda: showing_dialog(viewer) is None, what="the dialog to close")


class Command:
    """One row of the command table: how to bring the viewer into a state where
    the command is enabled, and what shows that it ran. `menu`, `button` and
    `keys` are where the reader finds it; None where it is not offered."""

    def __init__(self, name, menu=None, button=None, keys=None, prepare=None, check=None):
        self.name, self.menu, self.button, self.keys = name, menu, button, keys
        self.prepare = prepare or (lambda test: None)
        self.check = check

    def paths(self):
        return [(kind, where) for kind, where in (("menu", self.menu), ("toolbar", self.button), ("key", self.keys))
                if where is not None]


class CommandPathsTest(unittest.TestCase):
    """One viewer for every command and path; each row starts from the start page."""

    @classmethod
    def setUpClass(cls):
        gui.check_environment(cls)
        cls.server = SilentServer()
        book = gui.make_book("commands", book_pages(cls.server.port), title="Commands Book")
        cls.viewer = gui.Viewer(book)
        cls.viewer.wait_for_page("Start Page")

    @classmethod
    def tearDownClass(cls):
        cls.viewer.stop()
        cls.server.close()

    def setUp(self):
        self.viewer.close_menus()
        gui.xdotool("mousemove", 0, 0)

    # --- the viewer's state ------------------------------------------------

    def button_enabled(self, label):
        return is_enabled(self.viewer.toolbar_button(label))

    def token(self):
        heading = wait_for(lambda: find(self.viewer.document(), role="heading",
                                        predicate=lambda h: h.name.startswith("Token ")), what="the token")
        return heading.name

    def go_home(self):
        gui.click(self.viewer.toolbar_button("Home"))
        self.viewer.wait_for_page("Start Page")
        self.token()  # the page's script has run

    def follow(self, link, title):
        gui.click(wait_for(lambda: find(self.viewer.document(), role="link", name=link), what=f"the link {link}"))
        self.viewer.wait_for_page(title)

    def select_nothing(self):
        gui.click(find(self.viewer.document(), role="heading", name="Start of the book"))
        wait_for(lambda: not self.button_enabled("Copy"), what="no selection")

    def select_all(self):
        self.select_nothing()
        gui.press("ctrl+a")
        wait_for(lambda: self.button_enabled("Copy"), what="a selection")

    # --- giving a command ----------------------------------------------------

    def give(self, command, kind, where):
        """Gives the command along one path, first checking that its item is enabled there."""
        if kind == "menu":
            self.viewer.open_menu_and_click(*where[:-1])
            item = wait_for(lambda: (lambda i: i if is_showing(i) else None)(self.viewer.menu_item(*where)),
                            what=" > ".join(where) + " on screen")
            self.assertTrue(is_enabled(item), f"{' > '.join(where)} is disabled")
            gui.click(item)
        elif kind == "toolbar":
            button = self.viewer.toolbar_button(where)
            wait_for(lambda: is_enabled(button), what=f"the {where} button to be enabled")
            gui.click(button)
        else:
            gui.press(where)

    # --- the rows --------------------------------------------------------------

    def prepare_back(self):
        self.go_home()
        self.follow("To the second page", "Second Page")
        wait_for(lambda: self.button_enabled("Back"), what="Back to be enabled")

    def check_back(self):
        self.viewer.wait_for_page("Start Page")
        wait_for(lambda: self.button_enabled("Forward"), what="Forward to be enabled")

    def prepare_forward(self):
        self.prepare_back()
        gui.click(self.viewer.toolbar_button("Back"))
        self.check_back()

    def check_forward(self):
        self.viewer.wait_for_page("Second Page")
        wait_for(lambda: not self.button_enabled("Forward"), what="Forward to be disabled at the newest page")

    def prepare_home(self):
        self.go_home()
        self.follow("To the second page", "Second Page")

    def check_home(self):
        self.viewer.wait_for_page("Start Page")

    def prepare_stop(self):
        self.go_home()
        self.follow("To the slow page", "Slow Page")
        wait_for(lambda: self.button_enabled("Stop"), what="Stop to be enabled while the page loads")

    def check_stop(self):
        wait_for(lambda: not self.button_enabled("Stop"), what="loading to stop")
        self.assertEqual(self.viewer.page_title(), "Slow Page")
        self.assertTrue(self.button_enabled("Refresh"))

    def prepare_refresh(self):
        self.go_home()
        self.before = self.token()

    def check_refresh(self):
        wait_for(lambda: self.token() != self.before, what="the page to load again")
        self.viewer.wait_for_page("Start Page")

    def prepare_select_all(self):
        self.go_home()
        self.select_nothing()

    def check_select_all(self):
        wait_for(lambda: self.button_enabled("Copy"), what="Copy to be enabled by the selection")

    def prepare_copy(self):
        self.go_home()  # a new token: this copy's text is its own
        self.select_all()
        self.expected_words = PAGE_WORDS + [self.token()]

    def check_copy(self):
        clipboard = gui.clipboard()
        wait_for(lambda: all(word in (clipboard.wait_for_text() or "") for word in self.expected_words),
                 what=f"{self.expected_words} on the clipboard")

    def check_dialog(self, title):
        dialog = wait_for(lambda: showing_dialog(self.viewer), what=f"the {title} dialog")
        self.assertEqual(dialog.name, title)
        close_dialog(self.viewer, dialog)

    def check_about(self):
        self.viewer.wait_for_about_page("Commands Book")
        gui.click(self.viewer.toolbar_button("Back"))
        self.viewer.wait_for_page("Start Page")

    COMMANDS = [
        Command("Back", menu=("Go", "Back"), button="Back", keys="alt+Left",
                prepare=prepare_back, check=check_back),
        Command("Forward", menu=("Go", "Forward"), button="Forward", keys="alt+Right",
                prepare=prepare_forward, check=check_forward),
        Command("Home", menu=("Go", "Home"), button="Home", prepare=prepare_home, check=check_home),
        Command("Stop", menu=("View", "Stop"), button="Stop", keys="Escape",
                prepare=prepare_stop, check=check_stop),
        Command("Refresh", menu=("View", "Refresh"), button="Refresh", keys="F5",
                prepare=prepare_refresh, check=check_refresh),
        Command("Select All", menu=("Edit", "Select All"), keys="ctrl+a",
                prepare=prepare_select_all, check=check_select_all),
        Command("Copy", menu=("Edit", "Copy"), button="Copy", keys="ctrl+c",
                prepare=prepare_copy, check=check_copy),
        Command("Print", menu=("File", "Print..."), button="Print", keys="ctrl+p",
                check=lambda test: test.check_dialog("Print")),
        Command("Print Setup", menu=("File", "Print Setup..."),
                check=lambda test: test.check_dialog("Page Setup")),
        Command("About", menu=("Help", "About..."), button="About", prepare=go_home, check=check_about),
    ]

    def test_every_command_works_from_each_place_it_is_offered(self):
        for command in self.COMMANDS:
            for kind, where in command.paths():
                with self.subTest(command=command.name, path=kind):
                    self.viewer.close_menus()
                    command.prepare(self)
                    self.give(command, kind, where)
                    command.check(self)

    def test_each_font_size_moves_the_check_mark_and_sizes_the_text(self):
        factors = {"Smallest": 0.7, "Smaller": 0.85, "Medium": 1.0, "Larger": 1.2, "Largest": 1.45}

        def text_height():
            return gui.extents_of(find(self.viewer.document(), role="heading", name="Start of the book"))[3]

        def checked_sizes():
            self.viewer.open_menu_and_click("View", "Fonts")
            fonts = self.viewer.menu_item("View", "Fonts")
            wait_for(lambda: is_showing(self.viewer.menu_item("View", "Fonts", "Medium")), what="the Fonts menu")
            checked = [item.name for item in fonts if is_checked(item)]
            self.viewer.close_menus()
            return checked

        self.addCleanup(lambda: (self.viewer.close_menus(), self.viewer.open_menu_and_click("View", "Fonts", "Medium")))
        self.go_home()
        medium = text_height()
        heights = {}
        for name in ["Smallest", "Smaller", "Larger", "Largest", "Largest", "Medium"]:
            with self.subTest(size=name):
                self.viewer.open_menu_and_click("View", "Fonts", name)
                expected = medium * factors[name]
                # Glyph heights round to whole pixels: a tenth either way.
                heights[name] = wait_for(
                    lambda: (lambda h: h if abs(h - expected) <= max(2, expected * 0.1) else None)(text_height()),
                    what=f"text about {expected:.0f} px high at {name}")
                self.assertEqual(checked_sizes(), [name])
        ordered = [heights[name] for name in ["Smallest", "Smaller", "Medium", "Larger", "Largest"]]
        self.assertEqual(ordered, sorted(set(ordered)), f"sizes do not grow: {heights}")


def pdf_text(path):
    return subprocess.run(["pdftotext", path, "-"], capture_output=True, text=True, check=True).stdout


def pdf_page_size(path):
    """(width, height) in points of the PDF's first page, as a viewer shows it."""
    info = subprocess.run(["pdfinfo", path], capture_output=True, text=True, check=True).stdout
    fields = dict(line.split(":", 1) for line in info.splitlines() if ":" in line)
    width, _, height = fields["Page size"].split()[:3]
    size = (float(width), float(height))
    rotation = int(fields.get("Page rot", "0").strip())
    return tuple(reversed(size)) if rotation % 180 else size


class PrintOutputTest(unittest.TestCase):
    """Printing to a file through the dialog, with the page set-up kept from one print to the next."""

    WORDS = ["Printed words of the book", "second paragraph for the printer"]

    def setUp(self):
        gui.check_environment(self)
        # Print to File writes into the folder the viewer started in.
        self.folder = os.path.join(gui.ROOT, f"print-output-{self.id()}")
        os.makedirs(self.folder, exist_ok=True)
        page = gui.page("Printable", f"<h1>{self.WORDS[0]}</h1><p>A {self.WORDS[1]}.</p>")
        self.viewer = gui.Viewer(gui.make_book("printable", {"index.html": page}), cwd=self.folder)
        self.addCleanup(self.viewer.stop)
        self.viewer.wait_for_page("Printable")

    def print_to_file(self, open_dialog):
        """Prints through the dialog to the default file and returns the finished file's path."""
        open_dialog()
        dialog = wait_for(lambda: showing_dialog(self.viewer), what="the Print dialog")
        self.assertEqual(dialog.name, "Print")
        gui.click(wait_for(lambda: find(dialog, role="table cell", name="Print to File"), what="Print to File"))
        output = os.path.join(self.folder, "output.pdf")
        wait_for(lambda: find(dialog, role="push button", predicate=lambda b: b.name.endswith(output[-20:])),
                 what="the output file's name")
        print_button = find(dialog, role="push button", name="Print")
        wait_for(lambda: is_enabled(print_button), what="the Print button to be enabled")
        gui.click(print_button)
        wait_for(lambda: showing_dialog(self.viewer) is None, what="the dialog to close")
        # The file is written after the dialog closes; it is whole once its text reads.
        wait_for(lambda: all(word in pdf_text(output) for word in self.WORDS), what="the page's words in the PDF")
        return output

    def test_print_to_file_writes_the_page_in_the_chosen_orientation_every_time(self):
        self.viewer.open_menu_and_click("File", "Print Setup...")
        setup = wait_for(lambda: showing_dialog(self.viewer), what="the Page Setup dialog")
        gui.click(wait_for(lambda: find(setup, role="radio button", name="Landscape"), what="Landscape"))
        close_dialog(self.viewer, setup, button="Apply")

        for path, open_dialog in [("menu", lambda: self.viewer.open_menu_and_click("File", "Print...")),
                                  ("key", lambda: gui.press("ctrl+p"))]:
            with self.subTest(path=path):
                output = self.print_to_file(open_dialog)
                width, height = pdf_page_size(output)
                self.assertGreater(width, height, "the page set-up's landscape was not used")
                os.rename(output, os.path.join(self.folder, f"{path}.pdf"))


class ScriptPrintTest(unittest.TestCase):
    """A page's own print button goes the way of the book's printing permission."""

    PAGE = gui.page(
        "Print Button",
        '<h1>Printable</h1><button id="print" onclick="window.print(); document.title = \'Asked\';">Print me</button>',
    )

    def setUp(self):
        gui.check_environment(self)

    def start(self, name, options):
        viewer = gui.Viewer(gui.make_book(name, {"index.html": self.PAGE}, options=options))
        self.addCleanup(viewer.stop)
        viewer.wait_for_page("Print Button")
        return viewer

    def test_no_path_prints_a_book_that_forbids_printing(self):
        viewer = self.start("script-noprint", ["--no-print"])
        self.assertFalse(is_enabled(viewer.toolbar_button("Print")))
        gui.press("ctrl+p")
        gui.click(viewer.toolbar_button("Print"))
        gui.click(find(viewer.document(), role="push button", name="Print me"))
        # The viewer takes these in order, and print() returns once it has been
        # answered: when the title changes, any dialog they opened is up.
        viewer.wait_for_page("Asked")
        self.assertEqual([w.getRoleName() for w in viewer.windows() if is_showing(w)], ["frame"])
        self.assertFalse(is_enabled(viewer.toolbar_button("Print")))

    def test_a_page_may_ask_for_the_print_dialog_of_a_printable_book(self):
        viewer = self.start("script-print", [])
        gui.click(find(viewer.document(), role="push button", name="Print me"))
        dialog = wait_for(lambda: showing_dialog(viewer), what="the Print dialog")
        self.assertEqual(dialog.name, "Print")
        close_dialog(viewer, dialog)
        viewer.wait_for_page("Asked")


if __name__ == "__main__":
    unittest.main()
