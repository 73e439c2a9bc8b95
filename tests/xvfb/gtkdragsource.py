#!/usr/bin/python3
"""The other end of a drag from another toolkit, as a GTK file manager would start it: a
window titled "gtkdragsource" whose button drags the files named on the command line as a
URI list, offering copy and move. It prints "drag-end <seconds>" when its drag is over."""
import sys
import time

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gio, Gtk  # noqa: E402

uris = [Gio.File.new_for_path(path).get_uri() for path in sys.argv[1:]]

window = Gtk.Window(title="gtkdragsource")
window.set_default_size(200, 100)
button = Gtk.Button(label="drag")
button.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [],
                       Gdk.DragAction.COPY | Gdk.DragAction.MOVE)
button.drag_source_add_uri_targets()
button.connect("drag-data-get", lambda _w, _c, data, _i, _t: data.set_uris(uris))
button.connect("drag-end", lambda *_: print(f"drag-end {time.monotonic():.3f}", flush=True))
window.add(button)
window.connect("destroy", Gtk.main_quit)
window.show_all()
Gtk.main()
