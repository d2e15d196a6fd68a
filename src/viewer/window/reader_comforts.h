// ReaderComforts: what makes a book pleasant to come back to and to read by
// keyboard: where the reader left it (page, scroll position, text size,
// style, window size), the reading styles, the keyboard shortcuts window, the
// keys that act only when the page does not take them, and Tab through the
// page as through the rest of the window. The main window
// makes it once the view exists and asks it for the page to open first.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "glib/signal_connection.h"
#include "session/book_session.h"
#include "viewer/engine/book_view.h"
#include "viewer/engine/browser_host.h"
#include "viewer/engine/reading_position.h"
#include "viewer/rules/command_router.h"
#include "viewer/window/page_focus_chain.h"
#include "viewer/window/reading_place_keeper.h"
#include "viewer/window/reading_style_control.h"
#include "viewer/window/shortcuts_window.h"
#include "viewer/window/unclaimed_keys.h"

namespace pagora::viewer {

class ReaderComforts {
 public:
  // Reads where the reader left the book. All five outlive this.
  ReaderComforts(GtkWindow* window, BookView& view, BrowserHost& host, const BookSession& session,
                 CommandRouter& router);
  ReaderComforts(const ReaderComforts&) = delete;
  ReaderComforts& operator=(const ReaderComforts&) = delete;

  // The page to open first; empty for the start page.
  const std::string& firstPagePath() const { return keeper_.pagePath(); }

  // After the view's first navigation, before the window is shown: the text
  // size, style and window size the book was left with, and its scroll
  // position once the page has loaded.
  void restore();

  void registerCommands();

  // Records where the reader is; as the window closes, while the view lives.
  void rememberPlace();

 private:
  static gboolean onConfigure(GtkWidget* widget, GdkEvent* event, gpointer self);

  GtkWindow* window_;
  BookView& view_;
  CommandRouter& router_;
  ReadingPlaceKeeper keeper_;
  ReadingStyleControl styles_;
  ReadingPosition position_;
  ShortcutsWindow shortcuts_;
  UnclaimedKeys unclaimedKeys_;
  PageFocusChain focusChain_;
  // The window's size while neither maximized nor full screen, as it would
  // be given back.
  int width_ = 0;
  int height_ = 0;
  glib::SignalConnection configure_;
};

}  // namespace pagora::viewer
