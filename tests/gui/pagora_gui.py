"""Helpers for the viewer's GUI tests.

Tests run under run_gui_test, which provides the X server, window manager,
D-Bus session and private folders. These helpers make books with the real
authoring tool, start the real viewer, read its window through AT-SPI, send
real input with xdotool, and record the addresses the viewer hands to the
desktop. Every wait has a deadline; nothing relies on a fixed sleep alone.
"""

import fcntl
import os
import re
import shutil
import signal  # noqa: F401 - tests send signals through gui.signal
import subprocess
import time
import warnings

import gi

# pyatspi still calls deprecated Atspi functions; their warnings say nothing about the viewer.
warnings.filterwarnings("ignore", category=DeprecationWarning)
gi.require_version("Atspi", "2.0")
import pyatspi  # noqa: E402

from gui_books import AddressRecorder, make_book, page, private_folder, tree_snapshot  # noqa: E402,F401

VIEWER = os.environ.get("PAGORA_VIEWER", "")
BOOK_TOOL = os.environ.get("PAGORA_BOOK_TOOL", "")
ROOT = os.environ.get("PAGORA_GUI_ROOT", "")
TMPDIR = os.environ.get("TMPDIR", "/tmp")
# Deadlines stretch on a slow or busy machine.
TIMEOUT_SCALE = float(os.environ.get("PAGORA_GUI_TIMEOUT_SCALE", "1"))
DEFAULT_TIMEOUT = 30.0


class Timeout(AssertionError):
    pass


def wait_for(condition, timeout=DEFAULT_TIMEOUT, what="the condition", interval=0.05):
    """Polls condition() until it returns something true and returns that.

    Exceptions from condition() count as "not yet" (accessible objects come and
    go); the last one is reported if the deadline passes.
    """
    deadline = time.monotonic() + timeout * TIMEOUT_SCALE
    last_error = None
    while True:
        try:
            result = condition()
            if result:
                return result
        except Exception as error:  # noqa: BLE001 - reported below
            last_error = error
        if time.monotonic() >= deadline:
            detail = f" (last error: {last_error!r})" if last_error else ""
            raise Timeout(f"timed out after {timeout * TIMEOUT_SCALE:.0f} s waiting for {what}{detail}")
        time.sleep(interval)
        interval = min(interval * 1.5, 0.25)


def check_environment(test_case):
    if not (VIEWER and BOOK_TOOL and ROOT):
        test_case.skipTest("run through run_gui_test with PAGORA_VIEWER and PAGORA_BOOK_TOOL set")


def wait_for_watchers():
    """Waits until the watchers of ended viewers have removed their files; each
    holds a lock in the lock folder while it lives."""
    path = os.path.join(os.environ.get("XDG_RUNTIME_DIR", ""), "pagora-watcher.lock")
    if not os.path.exists(path):
        return
    with open(path, "rb") as lock:
        def free():
            try:
                fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
            except BlockingIOError:
                return False
            fcntl.flock(lock, fcntl.LOCK_UN)
            return True

        wait_for(free, what="the watchers of ended viewers to finish")


def empty_temp_directory():
    """Removes what an earlier, failed test left, so one failure does not cascade."""
    # A viewer killed at the end of the last test may still be being cleaned up.
    wait_for_watchers()
    for name in os.listdir(TMPDIR):
        path = os.path.join(TMPDIR, name)
        if os.path.isdir(path) and not os.path.islink(path):
            shutil.rmtree(path)
        else:
            os.unlink(path)


# --- accessibility ---------------------------------------------------------


def states_of(accessible):
    return set(accessible.getState().getStates())


def is_showing(accessible):
    return pyatspi.STATE_SHOWING in states_of(accessible)


def is_enabled(accessible):
    return pyatspi.STATE_SENSITIVE in states_of(accessible)


def is_checked(accessible):
    return pyatspi.STATE_CHECKED in states_of(accessible)


def find_all(root, role=None, name=None, predicate=None, limit=None):
    """Breadth-first search below and including `root`."""
    found, queue = [], [root]
    while queue:
        node = queue.pop(0)
        if node is None:
            continue
        try:
            matches = (role is None or node.getRoleName() == role) and (name is None or node.name == name)
            if matches and (predicate is None or predicate(node)):
                found.append(node)
                if limit is not None and len(found) >= limit:
                    return found
            queue.extend(child for child in node)
        except Exception:  # noqa: BLE001 - a node that went away has no children to visit
            continue
    return found


def find(root, role=None, name=None, predicate=None):
    found = find_all(root, role, name, predicate, limit=1)
    return found[0] if found else None


def focused(root):
    """The innermost accessible below `root` that has the keyboard focus (the
    page's view and its document report it too), if any."""
    found = find_all(root, predicate=lambda accessible: pyatspi.STATE_FOCUSED in states_of(accessible))
    return found[-1] if found else None


def find_text(root, text):
    """The first accessible below `root` whose own text holds `text`."""
    return find(root, predicate=lambda accessible: text in text_of(accessible))


def center_of(accessible):
    extents = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return extents.x + extents.width // 2, extents.y + extents.height // 2


def extents_of(accessible):
    extents = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return extents.x, extents.y, extents.width, extents.height


def text_of(accessible):
    """The text of one accessible; empty when it has none."""
    try:
        return accessible.queryText().getText(0, -1) or ""
    except NotImplementedError:
        return ""


def text_of_labels(root):
    return "\n".join(label.name for label in find_all(root, role="label") if label.name)


def clipboard():
    """The desktop's clipboard, read and written as the viewer's neighbours would."""
    gi.require_version("Gtk", "3.0")
    gi.require_version("Gdk", "3.0")
    from gi.repository import Gdk, Gtk

    return Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD)


def pixel_at(x, y):
    """The colour on screen at (x, y), as (red, green, blue)."""
    gi.require_version("Gdk", "3.0")
    from gi.repository import Gdk

    shot = Gdk.pixbuf_get_from_window(Gdk.get_default_root_window(), x, y, 1, 1)
    return tuple(shot.get_pixels()[:3])


# --- real input ------------------------------------------------------------


def environment_with(changes):
    """This process's environment with `changes` made: a name given None is removed."""
    environment = dict(os.environ)
    for name, value in (changes or {}).items():
        if value is None:
            environment.pop(name, None)
        else:
            environment[name] = value
    return environment


def xdotool(*arguments):
    subprocess.run(["xdotool", *map(str, arguments)], check=True)


def click_at(x, y, button=1, modifiers=()):
    xdotool("mousemove", "--sync", x, y)
    for key in modifiers:
        xdotool("keydown", key)
    try:
        xdotool("click", button)
    finally:
        for key in reversed(modifiers):
            xdotool("keyup", key)


def click(accessible, button=1, modifiers=()):
    x, y = center_of(accessible)
    click_at(x, y, button, modifiers)


def hover(accessible):
    x, y = center_of(accessible)
    xdotool("mousemove", "--sync", x, y)


def act(accessible, *names):
    """Performs the first of the accessible's actions named in `names` (AT-SPI, no input device)."""
    action = accessible.queryAction()
    available = [action.getName(index) for index in range(action.nActions)]
    for name in names:
        if name in available:
            action.doAction(available.index(name))
            return
    raise AssertionError(f"none of the actions {names} in {available}")


def press(*keys):
    xdotool("key", "--clearmodifiers", *keys)


# --- the viewer ------------------------------------------------------------


class Viewer:
    """One running viewer (a book executable) and its accessible tree."""

    def __init__(self, book, *arguments, cwd=None, env=None, command_prefix=(), preexec_fn=None):
        """`cwd` is the folder the viewer starts in (where print-to-file writes by default); `env` adds to
        or (with None values) removes from the environment; `command_prefix` runs the book through another
        program (a namespace, say); `preexec_fn` runs in the child before the viewer starts (limits for it
        alone)."""
        self.book = book
        log_name = f"viewer-{os.path.basename(os.path.dirname(book))}-{time.monotonic_ns()}.log"
        self.log_path = os.path.join(ROOT, "logs", log_name)
        self._log = open(self.log_path, "w")
        environment = environment_with(env)
        self.process = subprocess.Popen([*command_prefix, book, *arguments], stdout=self._log,
                                        stderr=subprocess.STDOUT, cwd=cwd, env=environment, preexec_fn=preexec_fn)
        self.pid = self.process.pid
        self._app = None

    # lifetime

    def running(self):
        return self.process.poll() is None

    def wait_exit(self, timeout=DEFAULT_TIMEOUT):
        wait_for(lambda: not self.running(), timeout, f"viewer {self.pid} to exit")
        self._log.close()
        return self.process.returncode

    def send(self, signal_number):
        os.kill(self.pid, signal_number)

    def stop(self):
        """Ends the viewer if it still runs; for test clean-up."""
        if self.running():
            self.send(signal.SIGKILL)
            self.process.wait()
        self._log.close()

    def log(self):
        with open(self.log_path) as log:
            return log.read()

    def complaints(self, tolerated=()):
        """The GLib warnings and criticals in the viewer's log (its own and its engine's processes'),
        but those matching one of the regular expressions `tolerated`."""
        found = []
        for line in self.log().splitlines():
            if re.search(r"-(WARNING|CRITICAL) \*\*|\*\* \(.*\): (WARNING|CRITICAL)", line):
                if not any(re.search(pattern, line) for pattern in tolerated):
                    found.append(line)
        return found

    # accessibility

    def app(self, timeout=DEFAULT_TIMEOUT):
        if self._app is None:
            self._app = wait_for(self._find_app, timeout, f"viewer {self.pid} on the accessibility bus")
        # No event loop runs here to keep the library's cache current: read afresh.
        self._app.clear_cache()
        return self._app

    def _find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            try:
                if app is not None and app.get_process_id() == self.pid:
                    return app
            except Exception:  # noqa: BLE001 - an application leaving the bus
                continue
        return None

    def windows(self):
        return [window for window in self.app() if window is not None]

    def frame(self, timeout=DEFAULT_TIMEOUT):
        """The main window, once it is shown."""
        return wait_for(
            lambda: next((w for w in self.windows() if w.getRoleName() == "frame" and is_showing(w)), None),
            timeout,
            "the main window",
        )

    def frame_even_if_hidden(self):
        """The main window in any state (iconified windows are not showing)."""
        return next((w for w in self.windows() if w.getRoleName() == "frame"), None)

    def has_frame(self):
        return any(w.getRoleName() == "frame" for w in self.windows())

    def alert(self, timeout=DEFAULT_TIMEOUT):
        """The message box on screen."""
        return wait_for(
            lambda: next((w for w in self.windows() if w.getRoleName() == "alert" and is_showing(w)), None),
            timeout,
            "a message box",
        )

    def alerts_showing(self):
        return [w for w in self.windows() if w.getRoleName() == "alert" and is_showing(w)]

    def dismiss(self, alert):
        """Presses the box's OK button for real and waits until the box is gone."""
        ok = wait_for(lambda: find(alert, role="push button", name="OK"), what="the OK button")
        click(ok)
        wait_for(lambda: not self.alerts_showing(), what="the message box to close")

    def document(self, timeout=DEFAULT_TIMEOUT):
        return wait_for(lambda: find(self.frame(), role="document web"), timeout, "the page")

    def page_title(self):
        return self.document().name

    def wait_for_active(self, timeout=DEFAULT_TIMEOUT):
        """Waits until the window manager has made the main window the active one: a click
        before that may only bring the window forward."""
        wait_for(lambda: pyatspi.STATE_ACTIVE in states_of(self.frame()), timeout, "the window to be active")

    def wait_for_page(self, title, timeout=DEFAULT_TIMEOUT):
        return wait_for(lambda: self.page_title() == title, timeout, f"the page titled {title!r}")

    def wait_for_about_page(self, book_title, timeout=DEFAULT_TIMEOUT):
        """Waits until the viewer shows its own about page for the book titled `book_title`.

        The page's own text is read as a reader would take it: a click into the
        page, Select All, Copy. (WebKit's accessibility tree leaves out text that
        stands in table cells, where the about page keeps the book's texts.)
        """
        self.wait_for_page("About", timeout)
        heading = wait_for(lambda: find(self.document(), predicate=lambda node: text_of(node) == "About this E-Book"),
                           timeout, "the about page's heading")
        # A click that comes while the window is still taking the focus back
        # (from a menu, from a message box) may not reach the page: the click
        # and Select All are tried again until the selection shows.
        next_try = [0.0]

        def selected():
            if is_enabled(self.toolbar_button("Copy")):
                return True
            if time.monotonic() >= next_try[0]:
                click(heading)
                press("ctrl+a")
                next_try[0] = time.monotonic() + 2
            return False

        wait_for(selected, timeout, "the about page selected")
        press("ctrl+c")
        board = clipboard()
        parts = ("About this E-Book", book_title, "Software & Copyright")
        return wait_for(lambda: all(part in (board.wait_for_text() or "") for part in parts), timeout,
                        f"the about page of {book_title!r} on the clipboard")

    def toolbar_buttons(self):
        toolbar = find(self.frame(), role="tool bar")
        return find_all(toolbar, role="push button")

    def toolbar_button(self, label):
        return wait_for(lambda: find(find(self.frame(), role="tool bar"), role="push button", name=label),
                        what=f"the toolbar button {label}")

    def status_text(self):
        return find(self.frame(), role="status bar").name

    def menu_item(self, *path):
        """The accessible of a menu item, e.g. menu_item("View", "Fonts", "Medium")."""
        node = find(self.frame(), role="menu bar")
        for name in path:
            node = find(node, name=name, predicate=lambda n: n.getRoleName() in (
                "menu", "menu item", "check menu item", "radio menu item"))
            if node is None:
                raise AssertionError(f"no menu item {' > '.join(path)}")
        return node

    def open_menu_and_click(self, *path):
        """Opens the menus along `path` with real clicks and clicks the last item."""
        for depth in range(len(path)):
            target = path[: depth + 1]

            def shown_item():
                item = self.menu_item(*target)
                return item if is_showing(item) else None

            click(wait_for(shown_item, what=" > ".join(target) + " on screen"))

    def close_menus(self):
        press("Escape")
        press("Escape")

    def window_titles(self):
        """The titles of the viewer's windows on screen, as the window manager shows them."""
        ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(self.pid)],
                             capture_output=True, text=True).stdout.split()
        titles = []
        for window in ids:
            name = subprocess.run(["xdotool", "getwindowname", window], capture_output=True, text=True)
            if name.returncode == 0:
                titles.append(name.stdout.rstrip("\n"))
        return titles

    def window_id(self):
        out = wait_for(
            lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(self.pid)],
                                   capture_output=True, text=True).stdout.split(),
            what="the viewer's X window",
        )
        return out[0]
