// FindTools: finding in the page and searching the book, as the window offers
// them. The find bar goes under the toolbar and the search pane beside the
// view; the engine's find controller serves the one and the book's index the
// other. The index starts once the first page has finished loading (or the
// reader opens the pane first, or the page is still loading after a few
// seconds), so it never delays that page, and reads the book's files once the
// last of them is written.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

#include "glib/signal_connection.h"
#include "session/book_session.h"
#include "viewer/engine/book_view.h"
#include "viewer/engine/page_finder.h"
#include "viewer/rules/command_router.h"
#include "viewer/window/book_search.h"
#include "viewer/window/find_bar.h"
#include "viewer/window/search_pane.h"

namespace pagora::viewer {

class FindTools {
 public:
  // The view and the session outlive these tools.
  FindTools(BookView& view, BookSession& session);
  FindTools(const FindTools&) = delete;
  FindTools& operator=(const FindTools&) = delete;
  ~FindTools();

  GtkWidget* findBar() const { return findBar_.widget(); }
  // The search pane and the view side by side: what the window packs in the
  // view's place.
  GtkWidget* viewWithPane() const { return paned_; }

  void registerCommands(CommandRouter& router);

  // Ends the index's build and waits for it: the book's files may go after.
  void stopIndexing();

 private:
  void startIndexing();
  void indexWrittenBook();
  void openPage(const std::string& storedName, std::vector<std::string> words);

  static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean onStartTimeout(gpointer self);

  BookView& view_;
  BookSession& session_;
  PageFinder finder_;
  FindBar findBar_;
  BookSearch search_;
  SearchPane pane_;
  GtkWidget* paned_;  // weak
  glib::SignalConnection loadChanged_;
  guint startTimeout_ = 0;
  bool waitingForFiles_ = false;
  // What a call from the writing thread reaches, only while these tools live.
  std::shared_ptr<FindTools*> self_ = std::make_shared<FindTools*>(this);
};

}  // namespace pagora::viewer
