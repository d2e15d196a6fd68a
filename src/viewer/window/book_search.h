// BookSearch: the search index of the open book, for as long as its window
// lives. It is built in memory only (nothing is written anywhere) by worker
// threads of low priority, once start() is called: the window calls it after
// the first page has loaded, so the index never delays that page. Searches
// made while it grows find what is in so far; observers hear, on the main
// loop, each time more pages are in and when the index is complete. stop(),
// or destruction, ends the build and waits for its threads, so that the
// files it reads may be removed after it.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "search/index_builder.h"
#include "search/search_index.h"

namespace pagora::viewer {

class BookSearch {
 public:
  BookSearch();
  BookSearch(const BookSearch&) = delete;
  BookSearch& operator=(const BookSearch&) = delete;
  ~BookSearch();

  // Starts indexing `pages` (files that are not pages are left out) unless
  // it has started already. `threads` as for IndexBuilder.
  void start(std::vector<search::PageFile> pages, unsigned threads = 0);
  bool started() const { return started_; }
  bool complete() const { return index_.isComplete(); }
  // Ends the build and waits for its threads. The index keeps what is in.
  void stop();

  const search::SearchIndex& index() const { return index_; }

  // Called on the main loop when more pages are in and when the index is
  // complete; never after this object has gone.
  void addObserver(std::function<void()> observer);

 private:
  // What the main loop's calls reach, only while this object lives.
  struct Observers {
    const search::SearchIndex* index;
    std::vector<std::function<void()>> list;
    bool memoryReturned = false;
  };
  static void notifyOnMainLoop(std::weak_ptr<Observers> observers);

  search::SearchIndex index_;
  std::shared_ptr<Observers> observers_ = std::make_shared<Observers>(Observers{&index_, {}});
  std::unique_ptr<search::IndexBuilder> builder_;
  bool started_ = false;
};

}  // namespace pagora::viewer
