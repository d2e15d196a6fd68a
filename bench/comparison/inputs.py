"""The inputs of the comparison: folders of pages and the books and archives
made from them. Contents are reproducible from a seed, so reruns compare like
with like."""

import os
import random
import shutil
import subprocess
from dataclasses import dataclass
from pathlib import Path

MIB = 1 << 20
INDEX_PAGE = b"<!DOCTYPE html>\n<html><head><title>Start</title></head><body><p>Start</p></body></html>\n"


@dataclass
class Tree:
    """A folder to pack, with what a faithful copy of it must hold."""
    name: str
    path: Path
    files: int
    bytes: int


def _write_random(path, size, rng):
    with open(path, "wb") as out:
        left = size
        while left > 0:
            chunk = min(left, 16 * MIB)
            out.write(rng.randbytes(chunk))
            left -= chunk


def one_big_file(root, name, size, seed):
    """index.html and one file of `size` random bytes."""
    path = root / name
    path.mkdir()
    (path / "index.html").write_bytes(INDEX_PAGE)
    _write_random(path / "data.bin", size, random.Random(seed))
    return Tree(name, path, 2, size + len(INDEX_PAGE))


def many_small_files(root, name, count, seed):
    """index.html and count - 1 pages of 200 to 8000 bytes, 100 to a folder,
    in folders two deep (part00/chapter00/page000.html), as a large
    reference book is laid out."""
    rng = random.Random(seed)
    path = root / name
    path.mkdir()
    (path / "index.html").write_bytes(INDEX_PAGE)
    total, made = len(INDEX_PAGE), 1
    part = 0
    while made < count:
        for chapter in range(15):
            folder = path / f"part{part:02d}" / f"chapter{chapter:02d}"
            folder.mkdir(parents=True)
            for page in range(100):
                if made == count:
                    break
                size = rng.randint(200, 8000)
                (folder / f"page{page:03d}.html").write_bytes(rng.randbytes(size))
                total += size
                made += 1
            if made == count:
                break
        part += 1
    return Tree(name, path, count, total)


def existing_tree(name, path):
    """A real book's folder, used as it is (only read)."""
    files = total = 0
    for folder, _, names in os.walk(path):
        for file_name in names:
            files += 1
            total += os.path.getsize(os.path.join(folder, file_name))
    return Tree(name, Path(path), files, total)


def make_archives(tree, into):
    """An uncompressed tar and a stored (zip -0) zip of the tree's contents."""
    tar_path = into / f"{tree.name}.tar"
    zip_path = into / f"{tree.name}.zip"
    subprocess.run(["tar", "-cf", str(tar_path), "-C", str(tree.path), "."], check=True)
    subprocess.run(["zip", "-0", "-r", "-q", str(zip_path), "."], cwd=tree.path, check=True)
    return tar_path, zip_path


def make_book(tree, into, pagora_book, viewer):
    """The tree packed onto a copy of `viewer`."""
    book = into / f"{tree.name}.book"
    subprocess.run([str(pagora_book), "create", str(tree.path), "-o", str(book), "--viewer", str(viewer),
                    "--title", tree.name], check=True, stdout=subprocess.DEVNULL)
    return book


def count_files(folder):
    """Regular files below folder and their total size."""
    files = total = 0
    for parent, _, names in os.walk(folder):
        for file_name in names:
            files += 1
            total += os.lstat(os.path.join(parent, file_name)).st_size
    return files, total


def remove(path):
    if path.is_dir():
        shutil.rmtree(path)
    elif path.exists():
        path.unlink()


_SYLLABLES = ["ka", "lo", "mi", "ne", "su", "ra", "to", "vi", "de", "ba", "gu", "po", "ly", "qu", "ex", "an", "or",
              "in", "et", "is", "ur", "sch", "th", "st", "pr", "ch", "gr", "fl", "ion", "ent"]
_ACCENTED = ["é", "ü", "ß", "ø", "ç", "ñ"]


def _vocabulary(rng, size):
    """`size` made-up words, some with letters beyond ASCII, most frequent first."""
    words, seen = [], set()
    while len(words) < size:
        word = "".join(rng.choice(_SYLLABLES) for _ in range(rng.choice((1, 2, 2, 3, 3, 3, 4, 5))))
        if rng.random() < 0.03:
            at = rng.randrange(len(word) + 1)
            word = word[:at] + rng.choice(_ACCENTED) + word[at:]
        if word not in seen:
            seen.add(word)
            words.append(word)
    return words


class _TextMaker:
    """Sentences whose words follow Zipf's law over a made-up vocabulary, as
    the words of a manual do."""

    def __init__(self, rng, vocabulary_size=60000):
        self.rng = rng
        self.words = _vocabulary(rng, vocabulary_size)
        self.cumulative = []
        total = 0.0
        for rank in range(1, vocabulary_size + 1):
            total += 1.0 / rank
            self.cumulative.append(total)

    def sentence(self):
        words = self.rng.choices(self.words, cum_weights=self.cumulative, k=self.rng.randint(6, 24))
        return words[0].capitalize() + " " + " ".join(words[1:]) + "."

    def paragraph(self):
        return " ".join(self.sentence() for _ in range(self.rng.randint(2, 7)))


def _manual_page(maker, title, size):
    """A page of about `size` bytes laid out as a generated manual's: a head with
    style and script references, navigation, headings, paragraphs with inline
    markup, a table now and then."""
    head = ("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
            f"<title>{title}</title><link rel=\"stylesheet\" href=\"../../manual.css\">"
            "<script src=\"../../manual.js\"></script></head>\n<body><div class=\"navheader\"><table width=\"100%\">"
            "<tr><td><a accesskey=\"p\" href=\"prev.html\">Prev</a></td><td align=\"center\">Chapter</td>"
            "<td><a accesskey=\"n\" href=\"next.html\">Next</a></td></tr></table></div>\n"
            f"<div class=\"sect1\"><h2 class=\"title\">{title}</h2>\n")
    parts = [head]
    length = len(head)
    while length < size:
        roll = maker.rng.random()
        if roll < 0.1:
            part = f"<h3 class=\"title\"><a name=\"s{length}\"></a>{maker.sentence()}</h3>\n"
        elif roll < 0.17:
            rows = "".join(f"<tr><td class=\"entry\"><code>{maker.sentence()}</code></td><td>{maker.sentence()}</td>"
                           "</tr>" for _ in range(maker.rng.randint(2, 6)))
            part = f"<div class=\"table\"><table class=\"informaltable\" border=\"1\">{rows}</table></div>\n"
        else:
            words = maker.paragraph().split(" ")
            for _ in range(maker.rng.randint(0, 3)):
                at = maker.rng.randrange(len(words))
                words[at] = f"<span class=\"guimenu\"><em>{words[at]}</em></span>"
            part = "<p>" + " ".join(words) + "</p>\n"
        parts.append(part)
        length += len(part.encode("utf-8"))
    parts.append("</div><div class=\"navfooter\"><a href=\"../../index.html\">Home</a></div></body></html>\n")
    return "".join(parts).encode("utf-8")


def text_book(root, name, pages, page_bytes, pictures=0, picture_bytes=0, seed=0):
    """index.html and pages - 1 more pages of text of about page_bytes each
    (from half to one and a half times), 100 to a folder, two folders deep,
    and `pictures` files of random bytes of about picture_bytes each in
    images/: a generated manual with its screenshots."""
    rng = random.Random(seed)
    maker = _TextMaker(rng)
    path = root / name
    path.mkdir()
    total = 0
    (path / "index.html").write_bytes(page := _manual_page(maker, "Start", page_bytes))
    total += len(page)
    for number in range(1, pages):
        folder = path / f"part{number // 1500:02d}" / f"chapter{number // 100 % 15:02d}"
        folder.mkdir(parents=True, exist_ok=True)
        size = rng.randint(page_bytes // 2, page_bytes * 3 // 2)
        page = _manual_page(maker, " ".join(maker.sentence()[:-1].split()[:rng.randint(2, 5)]), size)
        (folder / f"page{number % 100:03d}.html").write_bytes(page)
        total += len(page)
    if pictures:
        (path / "images").mkdir()
    for number in range(pictures):
        size = rng.randint(picture_bytes // 2, picture_bytes * 3 // 2)
        _write_random(path / "images" / f"figure{number:03d}.png", size, rng)
        total += size
    return Tree(name, path, pages + pictures, total)


def with_start_page(tree, pictures=0, links=200):
    """Gives a generated manual (text_book) what its pages refer to, manual.css
    and manual.js at its top, and a start page as a real manual's contents page
    is: it uses both, shows the first `pictures` pictures of images/ and links
    to the first `links` pages. Returns the tree counted afresh."""
    (tree.path / "manual.css").write_bytes(
        b"body{font-family:sans-serif;margin:2em}\n.navheader,.navfooter{border-color:#888}\n"
        b"img{max-width:100%}\ntable.informaltable td{padding:2px 6px}\n")
    (tree.path / "manual.js").write_bytes(
        b"document.addEventListener('DOMContentLoaded', function () { document.body.dataset.ready = '1'; });\n")
    pages = sorted(str(path.relative_to(tree.path)) for path in tree.path.glob("part*/chapter*/page*.html"))[:links]
    figures = "".join(f'<p><img src="images/figure{number:03d}.png" alt="Figure {number}"></p>\n'
                      for number in range(pictures))
    contents = "".join(f'<li><a href="{page}">{page}</a></li>\n' for page in pages)
    (tree.path / "index.html").write_text(
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Start</title>"
        "<link rel=\"stylesheet\" href=\"manual.css\"><script src=\"manual.js\"></script></head>\n"
        f"<body><h1>The Manual</h1>\n{figures}<ul class=\"toc\">\n{contents}</ul></body></html>\n")
    return existing_tree(tree.name, tree.path)
