// FindBar: the bar under the toolbar for finding text in the page: an entry,
// Previous and Next buttons and the count of matches. Matches are sought as
// the reader types; Enter goes to the next match and Shift+Enter to the
// previous one; Esc closes the bar, ends the search and gives the keyboard
// back to the page. It carries the Edit menu's Find, Find Next and Find
// Previous.
#pragma once

#include <gtk/gtk.h>

#include <functional>

#include "viewer/engine/page_finder.h"
#include "viewer/rules/command_router.h"

namespace pagora::viewer {

class FindBar {
 public:
  // `focusPage` gives the keyboard back to the page. The finder outlives the bar.
  FindBar(PageFinder& finder, std::function<void()> focusPage);
  FindBar(const FindBar&) = delete;
  FindBar& operator=(const FindBar&) = delete;
  ~FindBar();

  // Hidden until opened; owned by the window's widget tree once packed.
  GtkWidget* widget() const { return bar_; }

  // Shows the bar with the keyboard in its entry, the text there selected and
  // sought again.
  void open();
  void close();
  bool isOpen() const;

  void registerCommands(CommandRouter& router);

 private:
  // The bar's entry, buttons and count, made when first needed: nobody sees
  // them before, and the window comes up sooner without them.
  void fill();
  void showCount(const std::string& text, std::size_t matches);
  // Find Next and Find Previous: with nothing sought they open the bar.
  void step(bool forward);

  static void onSearchChanged(GtkSearchEntry* entry, gpointer self);
  static gboolean onEntryKey(GtkWidget* entry, GdkEventKey* event, gpointer self);
  static gboolean onBarKey(GtkWidget* bar, GdkEventKey* event, gpointer self);
  static void onNextMatch(GtkSearchEntry* entry, gpointer self);
  static void onPreviousMatch(GtkSearchEntry* entry, gpointer self);
  static void onStopSearch(GtkSearchEntry* entry, gpointer self);
  static void onNextClicked(GtkButton* button, gpointer self);
  static void onPreviousClicked(GtkButton* button, gpointer self);
  static void onCloseClicked(GtkButton* button, gpointer self);

  PageFinder& finder_;
  std::function<void()> focusPage_;
  GtkWidget* bar_;  // weak
  GtkEntry* entry_ = nullptr;
  GtkLabel* count_ = nullptr;
};

}  // namespace pagora::viewer
