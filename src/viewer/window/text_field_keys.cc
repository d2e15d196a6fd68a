#include "viewer/window/text_field_keys.h"

namespace pagora::viewer {
namespace {

gboolean onKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer) {
  GtkWindow* window = GTK_WINDOW(widget);
  GtkWidget* focus = gtk_window_get_focus(window);
  if (focus == nullptr || !GTK_IS_EDITABLE(focus)) return FALSE;
  // The field and its containers first, then the accelerators and mnemonics;
  // what neither takes goes to the window's own handler (Tab moves the focus).
  return gtk_window_propagate_key_event(window, event) || gtk_window_activate_key(window, event);
}

}  // namespace

void letTextFieldsTakeKeysFirst(GtkWindow* window) {
  g_signal_connect(window, "key-press-event", G_CALLBACK(onKeyPress), nullptr);
}

}  // namespace pagora::viewer
