// PageFinder: finding text in the page shown, through the engine's own find
// controller and in every frame of the page: letter case ignored, wrapping at
// either end, every match highlighted and the current one selected and
// scrolled into view. A text sought stays sought from page to page: a page
// that finishes loading is searched again, so the count and the highlight
// follow what is shown. Counts come on the main loop once the engine has them.
#pragma once

#include <webkit2/webkit2.h>

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "glib/signal_connection.h"

namespace pagora::viewer {

class PageFinder {
 public:
  // The engine counts matches up to this many; more are reported as one more.
  static constexpr std::size_t kCountLimit = 1000;

  // Hears the text sought and how many matches the page holds: each time a
  // search has been counted, and with an empty text when the search ends.
  using Listener = std::function<void(const std::string& text, std::size_t matches)>;

  // The view outlives the finder or is destroyed with its window first.
  explicit PageFinder(WebKitWebView* view);
  PageFinder(const PageFinder&) = delete;
  PageFinder& operator=(const PageFinder&) = delete;

  // Seeks `text` from the top of the page; an empty text ends the search.
  void find(const std::string& text);
  // The next or previous match of the text sought, if there is one.
  void next();
  void previous();
  // No text sought any more, and no highlight.
  void finish();
  const std::string& text() const { return text_; }

  // Once the page that loads next has finished loading, highlights the first
  // of `words` that the page holds (at the start of a word, else anywhere)
  // and seeks it from then on.
  void highlightAfterLoad(std::vector<std::string> words);

  void setListener(Listener listener) { listener_ = std::move(listener); }

 private:
  struct Attempt {
    std::string text;
    guint32 options;
  };
  void search(const Attempt& attempt);
  void counted(std::size_t matches);

  static void onFoundText(WebKitFindController* controller, guint matches, gpointer self);
  static void onFailedToFindText(WebKitFindController* controller, gpointer self);
  static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);

  WebKitFindController* controller_;  // the view's own
  std::string text_;
  guint32 options_ = 0;
  // Searches sent whose count has not come back yet; a next or previous
  // match sends none, since the engine does not count those.
  std::size_t searchesInFlight_ = 0;
  std::vector<std::string> wordsForNextLoad_;
  // What to try, in order, when the attempt in flight finds nothing.
  std::deque<Attempt> fallbacks_;
  Listener listener_;
  glib::SignalConnection foundText_;
  glib::SignalConnection failedToFindText_;
  glib::SignalConnection loadChanged_;
};

}  // namespace pagora::viewer
