// PageFocusChain: Tab and Shift+Tab move into, through and out of the page
// as through any other control of the window. Under GTK 3 a page that hands
// the focus back to the window also reports its Tab unused; that Tab would
// move the focus a second time, and the engine, waiting for it to come back,
// would pass the next key straight on, so that the page is left at its first
// Tab when entered again. Here that Tab goes back to the view alone.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include "glib/signal_connection.h"

namespace pagora::viewer {

class PageFocusChain {
 public:
  // Both outlive this, or take its connections with them.
  PageFocusChain(GtkWindow* window, WebKitWebView* view);
  PageFocusChain(const PageFocusChain&) = delete;
  PageFocusChain& operator=(const PageFocusChain&) = delete;
  ~PageFocusChain();

 private:
  static gboolean onViewKeyPress(GtkWidget* view, GdkEventKey* event, gpointer self);
  static gboolean onWindowKeyPress(GtkWidget* window, GdkEventKey* event, gpointer self);

  WebKitWebView* view_;  // weak
  guint32 tabGivenToPage_ = 0;  // the time of the last Tab the page was given
  bool tabPending_ = false;
  glib::SignalConnection viewKeyPress_;
  glib::SignalConnection windowKeyPress_;
};

}  // namespace pagora::viewer
