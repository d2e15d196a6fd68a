// Keys typed into a text field of the window (the find bar's entry, the
// search pane's) are the field's first: Ctrl+A selects the field's text and
// Backspace deletes in it, instead of the window's accelerators acting on the
// page. What the field does not take goes on to the accelerators as before.
#pragma once

#include <gtk/gtk.h>

namespace pagora::viewer {

void letTextFieldsTakeKeysFirst(GtkWindow* window);

}  // namespace pagora::viewer
