"""The page's own keys and selections: a key whose command has nothing to do
reaches the page, and text selected in any frame or field can be copied."""

import unittest

import pyatspi

import pagora_gui as gui
from pagora_gui import find, is_enabled, wait_for

# Lists in its title the keys its own handler saw.
KEYS_PAGE = gui.page(
    "Keys:",
    '<p>Keys for the page.</p><p><a href="frames.html">frames</a> <a href="fields.html">fields</a></p>',
    """
    document.addEventListener('keydown', function (event) {
      var name = (event.ctrlKey ? 'Ctrl+' : '') + event.key;
      if (['Escape', 'Ctrl+c', 'Ctrl+Insert'].indexOf(name) >= 0) document.title += ' ' + name;
    });
    """,
)

FRAMESET = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Frames</title></head>
<frameset cols="50%,50%"><frame src="left.html"><frame src="right.html"></frameset></html>
"""

FIELDS_PAGE = gui.page(
    "Fields",
    '<p><input aria-label="field" value="fieldword other" size="30"></p>'
    '<iframe src="inner.html" width="400" height="120" title="inner"></iframe>',
)


class PageKeysTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        gui.check_environment(cls)
        book = gui.make_book("keys", {
            "index.html": KEYS_PAGE,
            "frames.html": FRAMESET,
            "left.html": gui.page("Left", "<p>leftword in the left frame</p>"),
            "right.html": gui.page("Right", "<p>rightword in the right frame</p>"),
            "fields.html": FIELDS_PAGE,
            "inner.html": gui.page("Inner", "<p>innerword in the inner frame</p>"),
        }, title="Keys")
        cls.viewer = gui.Viewer(book)
        cls.viewer.wait_for_page("Keys:")

    @classmethod
    def tearDownClass(cls):
        cls.viewer.stop()

    def copy_is_enabled(self):
        return is_enabled(self.viewer.menu_item("Edit", "Copy"))

    def test_keys_of_disabled_commands_reach_the_page(self):
        self.viewer.wait_for_page("Keys:")
        gui.click(find(self.viewer.document(), role="paragraph"))
        # Nothing loads, so Stop is off; nothing is selected, so Copy is off.
        self.assertFalse(self.copy_is_enabled())
        for key, seen in [("Escape", "Escape"), ("ctrl+c", "Ctrl+c"), ("ctrl+Insert", "Ctrl+Insert")]:
            with self.subTest(key=key):
                gui.press(key)
                wait_for(lambda: self.viewer.page_title().endswith(" " + seen), what=f"the page to see {key}")

    def copy_word(self, accessible, word):
        """Selects `word` by a double click on it and copies it with the keyboard."""
        gui.clipboard().set_text("nothing yet", -1)
        text = accessible.queryText()
        start = text.getText(0, -1).index(word)
        box = text.getCharacterExtents(start + 1, pyatspi.DESKTOP_COORDS)
        gui.xdotool("mousemove", "--sync", box[0] + 1, box[1] + box[3] // 2, "click", "--repeat", "2", "1")
        wait_for(self.copy_is_enabled, what=f"Copy to be enabled for {word!r}")
        gui.press("ctrl+c")
        wait_for(lambda: gui.clipboard().wait_for_text() == word, what=f"{word!r} on the clipboard")

    def open_page(self, link, title):
        gui.click(self.viewer.toolbar_button("Home"))
        wait_for(lambda: self.viewer.page_title().startswith("Keys:"), what="the start page")
        gui.click(wait_for(lambda: find(self.viewer.document(), role="link", name=link), what=f"the link {link!r}"))
        self.viewer.wait_for_page(title)

    def text_holding(self, word):
        return wait_for(lambda: find(self.viewer.frame(), predicate=lambda a: a.getRoleName() in ("paragraph", "entry")
                                     and word in a.queryText().getText(0, -1)),
                        what=f"the text holding {word!r}")

    def test_text_selected_in_a_frame_can_be_copied(self):
        self.open_page("frames", "Frames")
        self.copy_word(self.text_holding("rightword"), "rightword")

    def test_text_selected_in_a_field_or_an_inline_frame_can_be_copied(self):
        self.open_page("fields", "Fields")
        self.copy_word(self.text_holding("fieldword"), "fieldword")
        self.copy_word(self.text_holding("innerword"), "innerword")


if __name__ == "__main__":
    unittest.main()
