"""Files dropped on the page are not opened: the view is no drop target."""

import os
import subprocess
import sys
import unittest

import pagora_gui as gui
from pagora_gui import find, wait_for


class DropTest(unittest.TestCase):
    def setUp(self):
        gui.check_environment(self)
        self.book = gui.make_book("drop", {"index.html": gui.page("Start Page", "<h1>Start of the book</h1>")})
        self.outside = os.path.join(gui.ROOT, "outside.html")
        with open(self.outside, "w") as out:
            out.write(gui.page("Outside Page", "<h1>Not part of the book</h1>"))
        self.report = os.path.join(gui.ROOT, "drag-report")
        self.recorder = gui.AddressRecorder()

    def start_drag_source(self):
        source = subprocess.Popen([sys.executable, os.path.join(os.path.dirname(__file__), "drag_source.py"),
                                   self.outside, self.report])
        self.addCleanup(lambda: (source.kill(), source.wait()))
        desktop = gui.pyatspi.Registry.getDesktop(0)

        def button():
            app = next((a for a in desktop if a is not None and a.get_process_id() == source.pid), None)
            found = find(app, role="push button", name="Drag me") if app is not None else None
            return found if found is not None and gui.is_showing(found) else None

        return wait_for(button, what="the drag source's window")

    def reported(self):
        try:
            with open(self.report) as lines:
                return [line.strip() for line in lines]
        except FileNotFoundError:
            return []

    def test_a_file_dropped_on_the_page_is_not_opened(self):
        viewer = gui.Viewer(self.book)
        self.addCleanup(viewer.stop)
        viewer.wait_for_page("Start Page")
        source = self.start_drag_source()
        target_x, target_y = gui.center_of(viewer.document())
        start_x, start_y = gui.center_of(source)

        gui.xdotool("mousemove", "--sync", start_x, start_y)
        gui.xdotool("mousedown", 1)
        try:
            # A drag starts once the pointer has moved a few pixels with the button held.
            for step in range(1, 4):
                gui.xdotool("mousemove", "--sync", start_x - 10 * step, start_y + 5 * step)
            wait_for(lambda: "begin" in self.reported(), what="the drag to begin")
            for step in range(1, 11):
                gui.xdotool("mousemove", "--sync", start_x + (target_x - start_x) * step // 10,
                            start_y + (target_y - start_y) * step // 10)
        finally:
            gui.xdotool("mouseup", 1)

        wait_for(lambda: "end" in self.reported(), what="the drag to end")
        self.assertTrue(any(line.startswith("failed") for line in self.reported()),
                        f"the drop was taken: {self.reported()}")
        self.assertEqual(viewer.page_title(), "Start Page")
        self.assertEqual(self.recorder.addresses(), [])
        self.assertTrue(viewer.running())


if __name__ == "__main__":
    unittest.main()
