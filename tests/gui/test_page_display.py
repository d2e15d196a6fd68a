"""How pages show and what a click on them does, as a reader of real books
meets it: visited links look visited, the about page reads the book's texts
as the caption does, and a stored file the engine cannot show opens in the
desktop's program for its type."""

import io
import os
import subprocess
import unittest
import zipfile

import gi

import pagora_gui as gui
from pagora_gui import find, wait_for

gi.require_version("Gdk", "3.0")
from gi.repository import Gdk  # noqa: E402

VISITED = (255, 0, 0)
UNVISITED = (0, 0, 255)

LINKS_PAGE = gui.page(
    "Links",
    "<style>a:link{color:rgb(0,0,255)} a:visited{color:rgb(255,0,0)} a{font-size:32px}</style>"
    '<p><a href="page2.html">second page</a></p><p><a href="page3.html">third page</a></p>'
    '<p><a href="manual.zip">the manual as a zip</a></p>',
)


def zip_bytes():
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w") as archive:
        archive.writestr("readme.txt", "inside the zip")
    return data.getvalue()


def colours_of(accessible):
    """The colours on screen where the accessible is drawn."""
    x, y, width, height = gui.extents_of(accessible)
    shot = Gdk.pixbuf_get_from_window(Gdk.get_default_root_window(), x, y, width, height)
    pixels, channels, stride = shot.get_pixels(), shot.get_n_channels(), shot.get_rowstride()
    return {tuple(pixels[row * stride + column * channels:][:3]) for row in range(height) for column in range(width)}


class PageDisplayTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        gui.check_environment(cls)
        cls.recorder = gui.AddressRecorder()
        book = gui.make_book("display", {
            "index.html": LINKS_PAGE,
            "page2.html": gui.page("Second", "<p>two</p>"),
            "page3.html": gui.page("Third", "<p>three</p>"),
            "manual.zip": zip_bytes(),
        }, title="Café Über", options=["--author", "Zoë Ölund", "--publisher", "Éditions Ærø"])
        cls.private = gui.private_folder("display")
        cls.viewer = gui.Viewer(book)
        cls.viewer.wait_for_page("Links")

    @classmethod
    def tearDownClass(cls):
        cls.viewer.stop()

    def go_home(self):
        gui.click(self.viewer.toolbar_button("Home"))
        self.viewer.wait_for_page("Links")

    def link(self, name):
        return wait_for(lambda: find(self.viewer.document(), role="link", name=name), what=f"the link {name!r}")

    def test_a_visited_link_shows_as_visited(self):
        self.go_home()
        gui.click(self.link("second page"))
        self.viewer.wait_for_page("Second")
        gui.click(self.viewer.toolbar_button("Back"))
        self.viewer.wait_for_page("Links")
        wait_for(lambda: VISITED in colours_of(self.link("second page")), what="the visited link's colour")
        self.assertIn(UNVISITED, colours_of(self.link("third page")))
        self.assertNotIn(VISITED, colours_of(self.link("third page")))

    def test_the_about_page_shows_the_texts_as_the_caption_does(self):
        self.assertEqual(self.viewer.frame().name, "Café Über")
        self.viewer.open_menu_and_click("Help", "About...")
        wait_for(lambda: gui.find_text(self.viewer.document(), "About this E-Book"), what="the about page")
        # The page's text as the engine shows it, through Select All and Copy.
        clipboard = gui.clipboard()
        clipboard.set_text("", -1)
        gui.press("ctrl+a")
        gui.press("ctrl+c")
        shown = wait_for(lambda: clipboard.wait_for_text(), what="the about page's text")
        for text in ("Café Über", "Zoë Ölund", "Éditions Ærø"):
            self.assertIn(text, shown)
        self.go_home()

    def test_a_stored_file_the_engine_cannot_show_opens_in_its_program(self):
        self.go_home()
        recorded = len(self.recorder.addresses())
        gui.click(self.link("the manual as a zip"))
        addresses = self.recorder.wait_for_count(recorded + 1)
        self.assertEqual([a.removeprefix("file://") for a in addresses[recorded:]],
                         [os.path.join(self.private, "manual.zip")])
        # The page stays as it was.
        self.assertEqual(self.viewer.page_title(), "Links")
        # Whatever the viewer told GTK about GL stays with it.
        self.assertEqual(self.recorder.inherited_gl_choices(), [])


class DesktopGlTest(unittest.TestCase):
    """GTK leaves GL alone where this machine has no graphics device; where the
    environment names a choice of GL (here: none, so GTK probes it) the viewer
    keeps it, and pages show the same."""

    def setUp(self):
        gui.check_environment(self)

    def test_a_page_shows_with_the_gl_the_environment_chose(self):
        book = gui.make_book("gl", {"index.html": LINKS_PAGE}, title="GL")
        viewer = gui.Viewer(book, env={"GDK_GL": "", "PAGORA_NO_STATE": "1"})
        self.addCleanup(viewer.stop)
        viewer.wait_for_page("Links")
        link = wait_for(lambda: find(viewer.document(), role="link", name="third page"), what="the link")
        wait_for(lambda: UNVISITED in colours_of(link), what="the link's colour on screen")


class LinkedFilesTest(unittest.TestCase):
    """A tree whose script and style sheet are links to shared copies outside
    it, as Debian's manuals have them, packed with -L."""

    def setUp(self):
        gui.check_environment(self)

    def test_linked_script_and_style_sheet_work_when_packed_with_dereference(self):
        folder = os.path.join(gui.ROOT, "books", "linked")
        shared, source = os.path.join(folder, "shared"), os.path.join(folder, "pages")
        os.makedirs(shared)
        os.makedirs(os.path.join(source, "_static"))
        with open(os.path.join(shared, "style.css"), "w") as out:
            out.write("body { background: rgb(0, 128, 0); }\n")
        with open(os.path.join(shared, "script.js"), "w") as out:
            out.write("window.addEventListener('load', function () {\n"
                      "  document.title = 'Linked ' + getComputedStyle(document.body).backgroundColor;\n"
                      "});\n")
        os.symlink(os.path.join(shared, "style.css"), os.path.join(source, "_static", "style.css"))
        os.symlink(os.path.join(shared, "script.js"), os.path.join(source, "_static", "script.js"))
        with open(os.path.join(source, "index.html"), "w") as out:
            out.write('<!DOCTYPE html><html><head><title>Unstyled</title>'
                      '<link rel="stylesheet" href="_static/style.css"><script src="_static/script.js"></script>'
                      '</head><body><p>linked</p></body></html>\n')
        book = os.path.join(folder, "book")
        subprocess.run([gui.BOOK_TOOL, "create", source, "-o", book, "--viewer", gui.VIEWER, "--esbn", "linked",
                        "-L"], check=True, stdout=subprocess.DEVNULL)
        viewer = gui.Viewer(book)
        self.addCleanup(viewer.stop)
        viewer.wait_for_page("Linked rgb(0, 128, 0)")


if __name__ == "__main__":
    unittest.main()
