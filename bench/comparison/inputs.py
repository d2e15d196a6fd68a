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
