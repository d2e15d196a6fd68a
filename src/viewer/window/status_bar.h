// The frame's status bar: a message pane that shows "Ready" or the prompt of the
// command under the pointer, and the CAP, NUM and SCRL indicators, which show
// their text while the lock key is on.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "glib/signal_connection.h"

namespace pagora::viewer {

class StatusBar {
 public:
  StatusBar();
  StatusBar(const StatusBar&) = delete;
  StatusBar& operator=(const StatusBar&) = delete;
  ~StatusBar();

  // The bar's widget, owned by its container; null once destroyed.
  GtkWidget* widget() const { return bar_; }

  // Shows a command's prompt until showIdleMessage().
  void showPrompt(const std::string& prompt);
  void showIdleMessage();

 private:
  bool alive() const { return bar_ != nullptr; }
  void updateIndicators();
  static void onKeymapStateChanged(GdkKeymap* keymap, gpointer self);

  GtkWidget* bar_;              // weak
  GtkStatusbar* messagePane_;   // inside bar_
  guint context_;
  GtkLabel* caps_;
  GtkLabel* num_;
  GtkLabel* scroll_;
  glib::SignalConnection keymapChanged_;
};

}  // namespace pagora::viewer
