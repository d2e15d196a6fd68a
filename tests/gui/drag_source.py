"""A small window that drags one file's address, as a file manager would.

Usage: drag_source.py FILE REPORT. The window, titled "Drag Source", holds one
button to drag from. REPORT gets a line "begin" when a drag starts, "failed
RESULT" when the drop is refused, and "end" when the drag is over.
"""

import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

FILE, REPORT = sys.argv[1], sys.argv[2]


def report(line):
    with open(REPORT, "a") as out:
        out.write(line + "\n")


def on_data_get(widget, context, selection, info, time):
    uri = GLib.filename_to_uri(FILE, None)
    if info == 0:
        selection.set_uris([uri])
    else:
        selection.set_text(uri, -1)


window = Gtk.Window(title="Drag Source")
window.move(1000, 80)
window.set_default_size(220, 160)
source = Gtk.Button(label="Drag me")
source.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY | Gdk.DragAction.LINK)
targets = Gtk.TargetList.new([])
targets.add_uri_targets(0)
targets.add_text_targets(1)
source.drag_source_set_target_list(targets)
source.connect("drag-begin", lambda *_: report("begin"))
source.connect("drag-data-get", on_data_get)
source.connect("drag-failed", lambda widget, context, result: report(f"failed {result.value_nick}") or False)
source.connect("drag-end", lambda *_: report("end"))
window.add(source)
window.connect("destroy", Gtk.main_quit)
window.show_all()
Gtk.main()
