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
        book = gui.make_book("links", {"index.html": LINKS_PAGE, "page2.html": SECOND, "auto.html": AUTO_PAGE},
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
            ("web", (), "http://example.com/web", "reloads"),
            # The engine hands over the address in its canonical form: scheme and host in lower case.
            ("web in capitals", (), "http://example.com/Caps", "reloads"),
            ("news", (), "news:comp.lang.c", "reloads"),
            ("mail", (), "mail:reader@example.org", "reloads"),
            ("ftp", (), "ftp://example.com/file.txt", "reloads"),
            ("ftp alone", (), "ftp:", "reloads"),
            ("mailto", (), "mailto:reader@example.org", "stays"),
            ("secure web", (), None, "leaves"),
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
                if outcome == "reloads":
                    self.viewer.wait_for_page(f"Links {loads + 1}")
                elif outcome == "stays":
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
        # The view reloaded the page, whose scripts tried again, in vain.
        self.viewer.wait_for_page("Auto")
        self.viewer.wait_for_page("Auto done")
        self.assertEqual(self.recorder.addresses()[recorded:], ["http://example.com/marker"])


if __name__ == "__main__":
    unittest.main()
