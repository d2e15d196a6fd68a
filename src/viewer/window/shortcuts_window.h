// ShortcutsWindow: Help > Keyboard Shortcuts, GTK's shortcuts window listing
// every key of the command table under the menu of its command, and the
// page's own keys. One at a time; it closes with the main window.
#pragma once

#include <gtk/gtk.h>

namespace pagora::viewer {

class ShortcutsWindow {
 public:
  explicit ShortcutsWindow(GtkWindow* parent) : parent_(parent) {}
  ShortcutsWindow(const ShortcutsWindow&) = delete;
  ShortcutsWindow& operator=(const ShortcutsWindow&) = delete;
  ~ShortcutsWindow();

  // Shows the window, made afresh unless it is open already.
  void show();

 private:
  GtkWindow* parent_;             // weak: outlives this
  GtkWidget* window_ = nullptr;   // weak: GTK owns top-level windows
};

}  // namespace pagora::viewer
