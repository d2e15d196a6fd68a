"""The link policy under real clicks: which addresses go to the desktop's
default program, which stay in the view, and what happens to new windows."""

import os
import unittest

import pagora_gui as gui
from pagora_gui import find, wait_for

NEW_WINDOW_NOTICE = (
    "This link is part of the E-Book, you are not to allowed to open it in a new window.\n\n"
    "(Any links to web sites will automatically be opened in Internet Explorer if you click them)"
)

# Counts its own loads in its title, so a test sees a reload as "Links n+1".
COUNT_LOADS = """
var loads = Number(sessionStorage.getItem('loads') || '0') + 1;
sessionStorage.setItem('loads', String(loads));
document.title = 'Links ' + loads;
"""

# A long page that says in its title how far it is scrolled and what its
# field holds, so a test sees whether handing an address on kept the page.
PLACE_PAGE = gui.page(
    "Place",
    '<input id="field" aria-label="field" value="">'
    '<div style="height:3000px">filler</div>'
    '<a href="http://example.com/far-down">far down</a>'
    '<div style="height:600px"></div>',
    """
    function report() {
      document.title = 'Place ' + Math.round(window.scrollY) + ' [' + document.getElementById('field').value + ']';
    }
    window.addEventListener('scroll', report);
    document.getElementById('field').addEventListener('input', report);
    report();
    """,
)

# Clicks its own new-window link from a script, many times over: on a timer
# with Shift or Ctrl claimed, and inside the handler of a reader's key press
# (Shift+A), where the clicks take the reader's Shift.
SYNTHETIC_PAGE = gui.page(
    "Synthetic",
    '<a id="target" href="page2.html" target="_blank">target</a>',
    """
    var link = document.getElementById('target');
    var ticks = 0;
    var timer = setInterval(function () {
      link.dispatchEvent(new MouseEvent('click', {bubbles: true, cancelable: true, shiftKey: true}));
      link.dispatchEvent(new MouseEvent('click', {bubbles: true, cancelable: true, ctrlKey: true}));
      if (++ticks === 20) { clearInterval(timer); document.title = 'Synthetic ready'; }
    }, 20);
    document.addEventListener('keydown', function (event) {
      if (event.key !== 'A') return;
      for (var i = 0; i < 5; ++i) link.click();
      document.title = 'Synthetic done';
    });
    """,
)

LINKS = {
    "web": 'href="http://example.com/web"',
    "web in capitals": 'href="HTTP://EXAMPLE.COM/Caps"',
    "news": 'href="news:comp.lang.c"',
    "mail": 'href="mail:reader@example.org"',
    "ftp": 'href="ftp://example.com/file.txt"',
    "ftp alone": 'href="ftp:"',
    "secure web": 'href="https://example.com/secure"',
    "mailto": 'href="mailto:reader@example.org"',
    "book page": 'href="page2.html"',
    "new window": 'href="page2.html" target="_blank"',
    "web in new window": 'href="http://example.com/blank" target="_blank"',
    "page that leaves by itself": 'href="auto.html"',
    "place page": 'href="place.html"',
    "page that clicks by itself": 'href="synthetic.html"',
}

LINKS_PAGE = gui.page(
    "Links",
    "\n".join(f"<a {attributes}>{name}</a><br>" for name, attributes in LINKS.items()),
    COUNT_LOADS,
)
SECOND = gui.page("Second Page", "<p>The second page.</p>")

# A page that tries to leave for the web by itself: on load, from a frame and
# on a timer. It says so in its title once every attempt has been made.
AUTO_PAGE = gui.page(
    "Auto",
    '<iframe src="http://example.com/frame" width="100" height="50"></iframe>'
    '<p><a href="http://example.com/marker">marker</a></p>',
    """
    location.href = 'http://example.com/onload';
    setTimeout(function () { window.location = 'HTTP://example.com/timer'; }, 100);
    setTimeout(function () { document.title = 'Auto done'; }, 1500);
    """,
)


def as_uri(addresses):
    """The desktop may hand a file: address to its program as a plain path."""
    return ["file://" + address if address.startswith("/") else address for address in addresses]


class LinkPolicyTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        gui.check_environment(cls)
        cls.recorder = gui.AddressRecorder()
        book = gui.make_book("links", {"index.html": LINKS_PAGE, "page2.html": SECOND, "auto.html": AUTO_PAGE,
                                        "place.html": PLACE_PAGE, "synthetic.html": SYNTHETIC_PAGE},
                             title="Link Policy")
        cls.private = gui.private_folder("links")
        cls.viewer = gui.Viewer(book)
        cls.viewer.wait_for_page("Links 1")

    @classmethod
    def tearDownClass(cls):
        cls.viewer.stop()

    def loads(self):
        title = self.viewer.page_title()
        return int(title.split()[1]) if title.startswith("Links ") else None

    def go_home(self):
        gui.click(self.viewer.toolbar_button("Home"))
        wait_for(self.loads, what="the links page")

    def click_link(self, name, modifiers=()):
        link = wait_for(lambda: find(self.viewer.document(), role="link", name=name), what=f"the link {name!r}")
        gui.click(link, modifiers=modifiers)

    def assert_no_reload_since(self, loads):
        """F5 reloads once: landing on loads + 1 proves nothing reloaded before it."""
        gui.press("F5")
        self.viewer.wait_for_page(f"Links {loads + 1}")

    def test_each_address_meets_the_rule(self):
        page2 = "file://" + os.path.join(self.private, "page2.html")
        # (link, keys held, address the desktop receives or None, what the view does)
        cases = [
            ("web", (), "http://example.com/web", "stays"),
            # The engine hands over the address in its canonical form: scheme and host in lower case.
            ("web in capitals", (), "http://example.com/Caps", "stays"),
            ("news", (), "news:comp.lang.c", "stays"),
            ("mail", (), "mail:reader@example.org", "stays"),
            ("ftp", (), "ftp://example.com/file.txt", "stays"),
            ("ftp alone", (), "ftp:", "stays"),
            ("mailto", (), "mailto:reader@example.org", "stays"),
            ("secure web", (), "https://example.com/secure", "stays"),
            ("book page", (), None, "leaves"),
            ("new window", (), page2, "stays"),
            ("web in new window", (), "http://example.com/blank", "stays"),
            ("new window", ("shift",), None, "notice"),
            ("book page", ("shift",), None, "notice"),
            ("new window", ("ctrl",), None, "stays"),
            ("web", ("ctrl",), None, "stays"),
            ("web", ("alt",), None, "stays"),
        ]
        start = len(self.recorder.addresses())
        expected_record = []
        for name, modifiers, address, outcome in cases:
            with self.subTest(link=name, keys=modifiers):
                self.go_home()
                loads = self.loads()
                recorded = len(self.recorder.addresses())
                self.click_link(name, modifiers)
                if address is not None:
                    expected_record.append(address)
                    addresses = self.recorder.wait_for_count(recorded + 1)
                    self.assertEqual(as_uri(addresses[recorded:]), [address])
                if outcome == "stays":
                    self.assert_no_reload_since(loads)
                elif outcome == "notice":
                    alert = self.viewer.alert()
                    self.assertTrue(find(alert, role="label", name=NEW_WINDOW_NOTICE), gui.text_of_labels(alert))
                    self.viewer.dismiss(alert)
                    self.assert_no_reload_since(loads)
                elif outcome == "leaves":
                    wait_for(lambda: self.loads() is None, what=f"the view to follow {name!r}")
                self.assertEqual(as_uri(self.recorder.addresses()[start:]), expected_record)
                self.assertEqual(len(self.viewer.windows()), 1, "no other window may open")

    def test_a_page_cannot_send_addresses_away_by_itself(self):
        self.go_home()
        recorded = len(self.recorder.addresses())
        # The click opens a book page; what that page then does is its own doing.
        self.click_link("page that leaves by itself")
        self.viewer.wait_for_page("Auto done")
        # A real click afterwards is recorded alone: nothing the page did by itself went out.
        self.click_link("marker")
        self.recorder.wait_for_count(recorded + 1)
        self.assertEqual(self.recorder.addresses()[recorded:], ["http://example.com/marker"])
        # The page was left as it was: no reload ran its scripts again.
        self.assertEqual(self.viewer.page_title(), "Auto done")

    def test_an_address_handed_on_leaves_the_page_exactly_as_it_was(self):
        self.go_home()
        self.click_link("place page")
        self.viewer.wait_for_page("Place 0 []")
        field = wait_for(lambda: find(self.viewer.document(), role="entry"), what="the field")
        gui.click(field)
        gui.xdotool("type", "--delay", "20", "kept")
        self.viewer.wait_for_page("Place 0 [kept]")
        # Tab moves to the link far down and the engine scrolls it into view;
        # Return follows it, as a reader's key.
        gui.press("Tab")
        place = wait_for(lambda: self.viewer.page_title() if not self.viewer.page_title().startswith("Place 0 ")
                         else None, what="the page to scroll to the link")
        recorded = len(self.recorder.addresses())
        gui.press("Return")
        self.assertEqual(self.recorder.wait_for_count(recorded + 1)[recorded:], ["http://example.com/far-down"])
        self.assertEqual(self.viewer.page_title(), place)
        self.assertEqual(field.queryText().getText(0, -1), "kept")

    def test_a_page_script_cannot_raise_the_notice_or_open_windows(self):
        self.go_home()
        recorded = len(self.recorder.addresses())
        self.click_link("page that clicks by itself")
        self.viewer.wait_for_page("Synthetic ready")
        self.assertEqual(self.recorder.addresses()[recorded:], [], "the timer's clicks were handed on")
        # One key press of the reader's: the page may act on it once, not five times.
        gui.press("shift+a")
        self.viewer.wait_for_page("Synthetic done")
        self.assertFalse(self.viewer.alerts_showing(), "a script's clicks raised the notice")
        self.assertLessEqual(len(self.recorder.addresses()[recorded:]), 1, self.recorder.addresses()[recorded:])
        self.assertEqual(len(self.viewer.windows()), 1)


if __name__ == "__main__":
    unittest.main()
