// UnclaimedKeys: the accelerators that act only when nothing else took their
// key. The page comes first (a text field in it edits with Backspace, a page
// script may want the key), then the focused widget of the window (a field
// of its own); the web engine hands back the keys the page left alone, and
// only what then reaches the window unused carries out its command.
#pragma once

#include <gtk/gtk.h>

#include <vector>

#include "glib/signal_connection.h"
#include "viewer/rules/command_router.h"

namespace pagora::viewer {

class UnclaimedKeys {
 public:
  // Binds the table's accelerators that wait for unclaimed keys in `window`,
  // which outlives this or takes the connection with it.
  UnclaimedKeys(GtkWindow* window, CommandRouter& router);

 private:
  struct Binding {
    guint key;
    GdkModifierType modifiers;
    CommandId id;
  };

  static gboolean onKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);

  CommandRouter& router_;
  std::vector<Binding> bindings_;
  glib::SignalConnection keyPress_;
};

}  // namespace pagora::viewer
