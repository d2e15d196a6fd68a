import time, os, subprocess, pagora_gui as gui, pyatspi
from pagora_gui import find, wait_for
eng = os.path.join(gui.ROOT, "eng"); os.makedirs(eng); os.environ["ENGDIR"] = eng
page = gui.page("One", '<style>a:visited{color:rgb(255,0,0)} a:link{color:rgb(0,0,255)}</style><a href="page2.html">to two</a> <a href="page3.html">to three</a>')
book = gui.make_book("visit", {"index.html": page, "page2.html": gui.page("Two","x"), "page3.html": gui.page("Three","y")}, title="V")
v = gui.Viewer(book)
v.wait_for_page("One")
link = wait_for(lambda: find(v.document(), role="link", name="to two"))
gui.click(link)
v.wait_for_page("Two")
gui.click(v.toolbar_button("Back"))
v.wait_for_page("One")
time.sleep(1)
import gi
gi.require_version("Gdk","3.0")
from gi.repository import Gdk
for name in ["to two", "to three"]:
    link = wait_for(lambda: find(v.document(), role="link", name=name))
    x,y,w,h = gui.extents_of(link)
    pb = Gdk.pixbuf_get_from_window(Gdk.get_default_root_window(), x, y, w, h)
    px = pb.get_pixels(); n=pb.get_n_channels(); rs=pb.get_rowstride()
    colors=set(tuple(px[yy*rs+xx*n:yy*rs+xx*n+3]) for yy in range(h) for xx in range(w))
    print(name, sorted(colors)[:3])
v.stop()
