"""Books and the desktop's default programs for the GUI tests.

make_book packs pages with the real authoring tool; AddressRecorder stands in
for every program the viewer may hand an address to, and records what it got.
"""

import os
import shutil
import stat
import subprocess
import textwrap

BOOK_TOOL = os.environ.get("PAGORA_BOOK_TOOL", "")
VIEWER = os.environ.get("PAGORA_VIEWER", "")
ROOT = os.environ.get("PAGORA_GUI_ROOT", "")
TMPDIR = os.environ.get("TMPDIR", "/tmp")

# The schemes and file types the desktop hands to the recording handler
# instead of a program.
RECORDED_SCHEMES = ("http", "https", "ftp", "news", "mailto", "mail")
RECORDED_TYPES = ("text/html", "application/zip", "application/epub+zip", "application/vnd.oasis.opendocument.text")


def make_book(name, files, title="Test Book", esbn=None, options=()):
    """Packs `files` ({stored name: text or bytes}) into a book and returns its path."""
    folder = os.path.join(ROOT, "books", name)
    source = os.path.join(folder, "pages")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(source)
    for stored_name, content in files.items():
        path = os.path.join(source, stored_name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        data = content.encode("utf-8") if isinstance(content, str) else content
        with open(path, "wb") as out:
            out.write(data)
    book = os.path.join(folder, "book")
    command = [BOOK_TOOL, "create", source, "-o", book, "--title", title, "--viewer", VIEWER]
    command += ["--esbn", esbn or name]
    command += list(options)
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return book


def private_folder(esbn):
    return os.path.join(TMPDIR, esbn + ".qvx")


def tree_snapshot(top):
    """Every path below `top` with its type, size and modification time."""
    snapshot = {}
    for folder, folders, files in os.walk(top):
        for name in folders + files:
            path = os.path.join(folder, name)
            info = os.lstat(path)
            snapshot[os.path.relpath(path, top)] = (stat.S_IFMT(info.st_mode), info.st_size, info.st_mtime_ns)
    return snapshot


def page(title, body, script=""):
    """A small HTML page; `script` runs at the end of the body."""
    script_block = f"<script>\n{textwrap.dedent(script)}\n</script>" if script else ""
    return (
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
        f"<title>{title}</title>"
        "<style>body{font:16px sans-serif;margin:8px} a{display:inline-block;padding:6px}</style>"
        f"</head><body>\n{textwrap.dedent(body)}\n{script_block}\n</body></html>\n"
    )


# --- the desktop's default programs ----------------------------------------


class AddressRecorder:
    """Installed as the desktop's handler for web, news and mail addresses.

    The handler appends each address it is started with to a file, one a line,
    so a test sees exactly what the viewer handed over, and no real browser or
    mail program ever starts. It also notes any choice of GL for GTK that it
    inherited, which the viewer keeps to itself.
    """

    def __init__(self):
        self.log = os.path.join(ROOT, "recorded-addresses")
        self.gl_log = os.path.join(ROOT, "recorded-gl-choices")
        script = os.path.join(ROOT, "record-address")
        with open(script, "w") as out:
            out.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> " + _shell_quote(self.log) + "\n"
                      "if [ -n \"${GDK_GL+set}\" ]; then printf 'GDK_GL=%s\\n' \"$GDK_GL\" >> "
                      + _shell_quote(self.gl_log) + "; fi\n")
        os.chmod(script, 0o755)
        data_home = os.environ["XDG_DATA_HOME"]
        config_home = os.environ["XDG_CONFIG_HOME"]
        applications = os.path.join(data_home, "applications")
        os.makedirs(applications, exist_ok=True)
        os.makedirs(config_home, exist_ok=True)
        mime_types = ";".join([f"x-scheme-handler/{scheme}" for scheme in RECORDED_SCHEMES] + list(RECORDED_TYPES)) + ";"
        with open(os.path.join(applications, "pagora-test-recorder.desktop"), "w") as out:
            out.write(
                "[Desktop Entry]\nType=Application\nName=Address Recorder\n"
                f"Exec={script} %u\nMimeType={mime_types}\nNoDisplay=true\n"
            )
        defaults = "".join(
            f"{kind}=pagora-test-recorder.desktop\n"
            for kind in [f"x-scheme-handler/{scheme}" for scheme in RECORDED_SCHEMES] + list(RECORDED_TYPES)
        )
        with open(os.path.join(config_home, "mimeapps.list"), "w") as out:
            out.write("[Default Applications]\n" + defaults)

    def addresses(self):
        try:
            with open(self.log) as recorded:
                return [line.rstrip("\n") for line in recorded]
        except FileNotFoundError:
            return []

    def inherited_gl_choices(self):
        try:
            with open(self.gl_log) as recorded:
                return recorded.read().splitlines()
        except FileNotFoundError:
            return []

    def wait_for_count(self, count, timeout=None):
        from pagora_gui import DEFAULT_TIMEOUT, wait_for

        wait_for(lambda: len(self.addresses()) >= count, timeout or DEFAULT_TIMEOUT,
                 f"{count} recorded address(es)")
        return self.addresses()


def _shell_quote(text):
    return "'" + text.replace("'", "'\\''") + "'"
