#!/usr/bin/python3
"""An independent reading of Pagora's search rule, to check the real one
against: which pages of a folder match a query, and in what order. It uses
Python's standard library only (html.parser, str.casefold, unicodedata) and
shares no code with the C++ side.

The rule: a page is a file named *.htm, *.html or *.xhtml (any case). Its
text is its first title and the text of its body as a reader sees it: no
markup, scripts, style sheets, <noscript> or <template>, character references
decoded, elements that are not inline separating words. Bytes are read in the
charset a byte order mark gives, else the one the page declares (<meta
charset>, http-equiv Content-Type, XML declaration), else UTF-8 when they are
valid UTF-8, else Windows-1252. A word is a letter or digit followed by
letters, digits and combining marks; words compare after NFKC and case
folding. A page matches when each query word begins one of its words. Pages
whose title holds every query word come first, then those whose words match
more often, then by name.

    search_oracle.py FOLDER WORD...   prints NAME<TAB>TITLE per matching page
                                      (the name again for a page without title)
"""

import codecs
import html.parser
import os
import sys
import unicodedata

PAGE_SUFFIXES = (".htm", ".html", ".xhtml")
HIDDEN = {"script", "style", "noscript", "template", "title"}
INLINE = {"a", "abbr", "acronym", "b", "bdi", "bdo", "big", "cite", "code", "data", "del", "dfn", "em", "font", "i",
          "ins", "kbd", "label", "mark", "nobr", "q", "s", "samp", "small", "span", "strike", "strong", "sub", "sup",
          "time", "tt", "u", "var", "wbr"}
UTF8_LABELS = {"utf-8", "utf8", "unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "x-unicode20utf8", "utf-16",
               "utf-16le", "utf-16be", "unicode", "unicodefeff", "unicodefffe", "ucs-2", "csunicode",
               "iso-10646-ucs-2"}
WINDOWS_1252_LABELS = {"windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1", "iso_8859-1", "iso88591",
                       "iso_8859-1:1987", "latin1", "l1", "cp819", "ibm819", "iso-ir-100", "csisolatin1", "us-ascii",
                       "ascii", "ansi_x3.4-1968", "x-user-defined"}
SPACES = " \t\n\r\f"
SPACE_TO_BLANK = str.maketrans("\t\n\r\f", "    ")


def is_page(name):
    return name.lower().endswith(PAGE_SUFFIXES)


def codec_for_label(label):
    label = label.strip(SPACES).lower()
    if label in UTF8_LABELS:
        return "utf-8"
    if label in WINDOWS_1252_LABELS:
        return "cp1252"
    try:
        return codecs.lookup(label).name
    except (LookupError, ValueError):
        return None


def charset_in_content_type(content):
    lower = content.lower()
    at = lower.find("charset")
    while at >= 0:
        rest = content[at + 7:].lstrip(SPACES)
        if rest.startswith("="):
            rest = rest[1:].lstrip(SPACES)
            if rest[:1] in ("'", '"'):
                end = rest.find(rest[0], 1)
                return rest[1:end] if end > 0 else None
            value = ""
            for c in rest:
                if c in SPACES or c in ";'\"":
                    break
                value += c
            return value or None
        at = lower.find("charset", at + 1)
    return None


def encoding_in_xml_declaration(text):
    if not text.startswith("<?xml"):
        return None
    declaration = text[:text.find(">") + 1]
    at = declaration.find("encoding")
    while at >= 0:
        rest = declaration[at + 8:].lstrip(SPACES)
        if rest.startswith("="):
            rest = rest[1:].lstrip(SPACES)
            if rest[:1] not in ("'", '"'):
                return None
            end = rest.find(rest[0], 1)
            return rest[1:end] if end > 0 else None
        at = declaration.find("encoding", at + 1)
    return None


class TextReader(html.parser.HTMLParser):
    """The title, the body's visible text and the first charset declaration."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.title, self.body = [], []
        self.hidden_depth = 0
        self.in_title = self.title_seen = False
        self.declared = None

    def declare(self, label):
        if self.declared is None and label is not None and codec_for_label(label) is not None:
            self.declared = codec_for_label(label)

    def handle_starttag(self, tag, attrs):
        if tag in HIDDEN:
            self.hidden_depth += 1
            if tag == "title" and not self.title_seen and self.hidden_depth == 1:
                self.in_title = True
        if tag not in INLINE:
            self.body.append(" ")
        if tag == "meta":
            names = {name.lower(): value for name, value in reversed(attrs) if value is not None}
            if "charset" in names:
                self.declare(names["charset"])
            elif names.get("http-equiv", "").lower() == "content-type" and "content" in names:
                self.declare(charset_in_content_type(names["content"]))

    def handle_endtag(self, tag):
        if tag in HIDDEN and self.hidden_depth > 0:
            self.hidden_depth -= 1
        if tag == "title" and self.in_title:
            self.in_title, self.title_seen = False, True
        if tag not in INLINE:
            self.body.append(" ")

    def handle_data(self, data):
        if self.in_title:
            self.title.append(data)
        elif self.hidden_depth == 0:
            self.body.append(data)


def read_text(raw, charset):
    text = raw.decode(charset, errors="replace").replace("\0", "\ufffd")
    reader = TextReader()
    reader.declare(encoding_in_xml_declaration(text))
    reader.feed(text)
    reader.close()
    return reader


def page_text(raw):
    """(title, body) of a page's bytes."""
    for mark, charset in ((b"\xef\xbb\xbf", "utf-8"), (b"\xff\xfe", "utf-16-le"), (b"\xfe\xff", "utf-16-be")):
        if raw.startswith(mark):
            reader = read_text(raw[len(mark):], charset)
            return "".join(reader.title), "".join(reader.body)
    try:
        raw.decode("utf-8")
        guess = "utf-8"
    except UnicodeDecodeError:
        guess = "cp1252"
    reader = read_text(raw, guess)
    if reader.declared is not None and reader.declared != guess and not raw.isascii():
        reader = read_text(raw, reader.declared)
    return "".join(reader.title), "".join(reader.body)


def words(text):
    """The words of a text, in order."""
    found, current = [], []
    for c in text:
        kind = unicodedata.category(c)[0]
        if kind in "LN" or (kind == "M" and current):
            current.append(c)
        elif current:
            found.append("".join(current))
            current = []
    if current:
        found.append("".join(current))
    return found


def fold(word):
    return unicodedata.normalize("NFKC", word).casefold()


class Page:
    def __init__(self, name, raw):
        self.name = name
        self.title, body = page_text(raw)
        self.title = " ".join(part for part in self.title.translate(SPACE_TO_BLANK).split(" ") if part)
        self.title_words = [fold(w) for w in words(self.title)]
        self.all_words = self.title_words + [fold(w) for w in words(body)]


def read_folder(folder):
    pages = []
    for parent, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(parent, name)
            if is_page(name) and os.path.isfile(path):
                with open(path, "rb") as page:
                    pages.append(Page(os.path.relpath(path, folder), page.read()))
    return pages


def query_words(text):
    distinct = []
    for word in words(text):
        folded = fold(word)
        if folded and folded not in distinct:
            distinct.append(folded)
    return distinct


def search(pages, text):
    """The matching pages in rank order."""
    query = query_words(text)
    if not query:
        return []
    ranked = []
    for page in pages:
        counts = [sum(1 for w in page.all_words if w.startswith(q)) for q in query]
        if all(counts):
            in_title = all(any(w.startswith(q) for w in page.title_words) for q in query)
            ranked.append((not in_title, -sum(counts), page.name.encode("utf-8"), page))
    ranked.sort(key=lambda entry: entry[:3])
    return [entry[3] for entry in ranked]


def main(argv):
    if len(argv) < 2 or argv[1] in ("--help", "-h"):
        print(__doc__.strip().splitlines()[-1].strip())
        return 0 if len(argv) >= 2 else 2
    pages = read_folder(argv[1])
    for page in search(pages, " ".join(argv[2:])):
        print(f"{page.name}\t{page.title or page.name}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
