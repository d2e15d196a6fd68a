#include "viewer/engine/page_finder.h"

namespace pagora::viewer {
namespace {

constexpr guint32 kFindOptions = WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND;

}  // namespace

PageFinder::PageFinder(WebKitWebView* view)
    : controller_(webkit_web_view_get_find_controller(view)),
      foundText_(controller_, "found-text", G_CALLBACK(onFoundText), this),
      failedToFindText_(controller_, "failed-to-find-text", G_CALLBACK(onFailedToFindText), this),
      loadChanged_(view, "load-changed", G_CALLBACK(onLoadChanged), this) {}

void PageFinder::find(const std::string& text) {
  fallbacks_.clear();
  wordsForNextLoad_.clear();
  if (text.empty()) {
    finish();
    return;
  }
  search({text, kFindOptions});
}

void PageFinder::search(const Attempt& attempt) {
  text_ = attempt.text;
  options_ = attempt.options;
  ++searchesInFlight_;
  webkit_find_controller_search(controller_, text_.c_str(), options_, kCountLimit);
}

void PageFinder::next() {
  if (!text_.empty()) webkit_find_controller_search_next(controller_);
}

void PageFinder::previous() {
  if (!text_.empty()) webkit_find_controller_search_previous(controller_);
}

void PageFinder::finish() {
  fallbacks_.clear();
  searchesInFlight_ = 0;
  const bool wasSeeking = !text_.empty();
  text_.clear();
  webkit_find_controller_search_finish(controller_);
  if (wasSeeking && listener_) listener_({}, 0);
}

void PageFinder::highlightAfterLoad(std::vector<std::string> words) { wordsForNextLoad_ = std::move(words); }

void PageFinder::counted(std::size_t matches) {
  if (searchesInFlight_ == 0) return;  // a next or previous match, or a search ended since
  --searchesInFlight_;
  if (matches == 0 && !fallbacks_.empty()) {
    const Attempt attempt = fallbacks_.front();
    fallbacks_.pop_front();
    search(attempt);
    return;
  }
  fallbacks_.clear();
  // Only the answer to the latest search describes the text sought now.
  if (searchesInFlight_ == 0 && listener_) listener_(text_, matches);
}

void PageFinder::onFoundText(WebKitFindController*, guint matches, gpointer self) {
  // The engine reports G_MAXUINT for "more than the limit".
  static_cast<PageFinder*>(self)->counted(matches > kCountLimit ? kCountLimit + 1 : matches);
}

void PageFinder::onFailedToFindText(WebKitFindController*, gpointer self) {
  static_cast<PageFinder*>(self)->counted(0);
}

void PageFinder::onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  auto* finder = static_cast<PageFinder*>(self);
  if (event != WEBKIT_LOAD_FINISHED) return;
  if (!finder->wordsForNextLoad_.empty()) {
    // The words at the start of a word first, as the book's search matched
    // them; then anywhere, for words the engine splits differently.
    std::deque<Attempt> attempts;
    for (const std::string& word : finder->wordsForNextLoad_) {
      attempts.push_back({word, kFindOptions | WEBKIT_FIND_OPTIONS_AT_WORD_STARTS});
    }
    for (const std::string& word : finder->wordsForNextLoad_) attempts.push_back({word, kFindOptions});
    finder->wordsForNextLoad_.clear();
    finder->searchesInFlight_ = 0;
    const Attempt first = attempts.front();
    attempts.pop_front();
    finder->fallbacks_ = std::move(attempts);
    finder->search(first);
    return;
  }
  // The new page is searched for the same text, so count and highlight follow it.
  if (!finder->text_.empty()) finder->search({finder->text_, finder->options_});
}

}  // namespace pagora::viewer
