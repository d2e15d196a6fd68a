"""How the viewer hosts the web engine: a notice instead of any context menu,
the scripts' external object, the sandbox, and nothing written outside the
private folder."""

import base64
import os
import unittest

import pagora_gui as gui
from pagora_gui import find, wait_for

POPUP_NOTICE = "The Pop-up Menu is disabled in E-Books"

# A 1x1 PNG, shown large enough to be clicked.
PIXEL_PNG = base64.b64decode(
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg=="
)

PAGE = gui.page(
    "Host",
    """
    <p id="text">Plain text to right-click on.</p>
    <p><a href="page2.html">a link</a></p>
    <p><img src="images/pixel.png" width="120" height="60" alt="picture"></p>
    """,
)

# Reports what page scripts see of the external object in the page's title.
EXTERNAL_PAGE = gui.page(
    "External",
    '<iframe src="frame.html" width="300" height="60"></iframe>',
    """
    var e = window.external;
    var own = [e.xxyyzz, e.xxyyzzz, e.xxYYzz, e.xx].join('|');
    document.title = own;
    window.addEventListener('message', function (event) {
      document.title = own + ' frame:' + event.data;
    });
    """,
)
FRAME_PAGE = gui.page("Frame", "<p>frame</p>", "parent.postMessage(String(window.external.xxyyzz), '*');")


def descendants(pid):
    """(pid, command name, parent pid) of every process below `pid`."""
    processes = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read()
        except OSError:
            continue
        name = fields[fields.index("(") + 1: fields.rindex(")")]
        parent = int(fields[fields.rindex(")") + 2:].split()[1])
        processes[int(entry)] = (name, parent)
    below, frontier = [], [pid]
    while frontier:
        current = frontier.pop()
        for child, (name, parent) in processes.items():
            if parent == current:
                below.append((child, name, parent))
                frontier.append(child)
    return below, processes


class HostPolicyTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        gui.check_environment(cls)
        gui.empty_temp_directory()
        book = gui.make_book("host", {
            "index.html": PAGE,
            "page2.html": gui.page("Second", "<p>second</p>"),
            "images/pixel.png": PIXEL_PNG,
            "external.html": EXTERNAL_PAGE,
            "frame.html": FRAME_PAGE,
        }, title="Host Policy")
        cls.viewer = gui.Viewer(book)
        cls.viewer.wait_for_page("Host")

    @classmethod
    def tearDownClass(cls):
        cls.viewer.stop()

    def test_right_click_anywhere_shows_the_notice_and_no_menu(self):
        document = self.viewer.document()
        targets = {
            "text": lambda: find(document, role="paragraph"),
            "link": lambda: find(document, role="link", name="a link"),
            "picture": lambda: find(document, role="image"),
        }
        for what, target in targets.items():
            with self.subTest(on=what):
                gui.click(wait_for(target, what=what), button=3)
                self.expect_notice()
        with self.subTest(on="selection"):
            gui.click(targets["text"]())
            gui.press("ctrl+a")
            gui.click(targets["text"](), button=3)
            self.expect_notice()

    def expect_notice(self):
        alert = self.viewer.alert()
        self.assertEqual(alert.name, "Information", "an information icon")
        self.assertTrue(find(alert, role="label", name=POPUP_NOTICE), gui.text_of_labels(alert))
        self.viewer.dismiss(alert)
        showing = [w.getRoleName() for w in self.viewer.windows() if gui.is_showing(w)]
        self.assertEqual(showing, ["frame"], "no menu may appear")
        self.assertEqual(self.viewer.page_title(), "Host")

    def test_web_engine_runs_inside_the_sandbox(self):
        below, processes = descendants(self.viewer.pid)
        web = [pid for pid, name, _ in below if name.startswith("WebKitWebProces")]
        self.assertTrue(web, f"no web process below the viewer: {below}")
        for pid in web:
            ancestors, current = [], processes[pid][1]
            while current != self.viewer.pid and current in processes:
                ancestors.append(processes[current][0])
                current = processes[current][1]
            self.assertIn("bwrap", ancestors, f"web process {pid} is not sandboxed")


class ExternalObjectTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)
        gui.empty_temp_directory()

    def test_page_scripts_read_the_external_property_by_its_whole_name(self):
        book = gui.make_book("external", {"index.html": EXTERNAL_PAGE, "frame.html": FRAME_PAGE})
        viewer = gui.Viewer(book)
        self.addCleanup(viewer.stop)
        # Only the whole name answers, in the page and in its frames alike.
        viewer.wait_for_page("Wibble||| frame:Wibble")


class NothingOutsideTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)
        gui.empty_temp_directory()

    def test_viewer_writes_nothing_outside_its_private_folder(self):
        home = os.environ["HOME"]
        home_before = gui.tree_snapshot(home)
        book = gui.make_book("outside", {"index.html": PAGE, "page2.html": gui.page("Second", "<p>x</p>"),
                                         "images/pixel.png": PIXEL_PNG})
        # Remembering the reading place is the one write outside, and it is turned off here.
        viewer = gui.Viewer(book, env={"PAGORA_NO_STATE": "1"})
        self.addCleanup(viewer.stop)
        viewer.wait_for_page("Host")
        self.assertEqual(os.listdir(gui.TMPDIR), ["outside.qvx"])
        gui.click(find(viewer.document(), role="link", name="a link"))
        viewer.wait_for_page("Second")
        viewer.send(gui.signal.SIGTERM)
        self.assertEqual(viewer.wait_exit(), 0)
        self.assertEqual(gui.tree_snapshot(home), home_before, "nothing may be written under HOME")
        self.assertEqual(os.listdir(gui.TMPDIR), [])


if __name__ == "__main__":
    unittest.main()
