// SearchPane: the pane beside the view for searching the whole book: an
// entry, the count of pages found and the list of them, best first, each
// with its title and a short piece of its text around the first hit, the
// words marked. Activating a result (a click, Enter) opens its page. The
// results follow the index as it grows; the pane keeps its query while it is
// hidden. It carries the Edit menu's Search Book, which shows and hides it.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "search/query.h"
#include "search/search_index.h"
#include "viewer/rules/command_router.h"
#include "viewer/window/book_search.h"

namespace pagora::viewer {

class SearchPane {
 public:
  // `openPage(storedName, words)` shows a page with the words the reader
  // typed; `shown` runs each time the pane is shown (so the index can start);
  // `focusPage` gives the keyboard back to the page. `search` outlives the pane.
  SearchPane(BookSearch& search, std::function<void(const std::string&, std::vector<std::string>)> openPage,
             std::function<void()> shown, std::function<void()> focusPage);
  SearchPane(const SearchPane&) = delete;
  SearchPane& operator=(const SearchPane&) = delete;
  ~SearchPane();

  // Hidden until shown; owned by the window's widget tree once packed.
  GtkWidget* widget() const { return pane_; }

  void show();
  void hide();
  bool isShown() const;

  void registerCommands(CommandRouter& router);

 private:
  // The pane's entry, count and list, made when first shown: nobody sees them
  // before, and the window comes up sooner without them.
  void fill();
  // Runs the query in the entry again and lists its results afresh.
  void refresh();
  // Appends the next results to the list, as the reader scrolls to its end.
  void appendRows();
  void indexChanged();

  static void onSearchChanged(GtkSearchEntry* entry, gpointer self);
  static void onEntryActivate(GtkEntry* entry, gpointer self);
  static void onStopSearch(GtkSearchEntry* entry, gpointer self);
  static gboolean onKey(GtkWidget* widget, GdkEventKey* event, gpointer self);
  static void onRowActivated(GtkListBox* list, GtkListBoxRow* row, gpointer self);
  static void onEdgeReached(GtkScrolledWindow* scrolled, GtkPositionType edge, gpointer self);

  BookSearch& search_;
  std::function<void(const std::string&, std::vector<std::string>)> openPage_;
  std::function<void()> shown_;
  std::function<void()> focusPage_;
  GtkWidget* pane_;  // weak
  GtkEntry* entry_ = nullptr;
  GtkLabel* count_ = nullptr;
  GtkWidget* indexing_ = nullptr;
  GtkListBox* list_ = nullptr;
  search::Query query_;
  std::vector<std::string> typedWords_;
  std::vector<search::SearchResult> results_;
  std::size_t rowsShown_ = 0;
  bool stale_ = false;  // the index grew while the pane was hidden
  gint64 lastRefresh_ = 0;
};

}  // namespace pagora::viewer
