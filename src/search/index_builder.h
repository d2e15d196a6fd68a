// IndexBuilder fills a SearchIndex from page files on worker threads, so the
// caller (the viewer, once its first page shows) goes on at once and can
// search while the index grows. It tells its listener, on a worker thread,
// when more pages are in and when the index is complete; the listener hands
// anything meant for the GUI to the main loop itself and must not throw.
// Destroying the builder stops the work and waits for it: a page being read
// is given up part way, so closing a book never waits for a large page.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "search/search_index.h"

namespace pagora::search {

struct PageFile {
  std::string storedName;
  std::string path;
};

class IndexBuilder {
 public:
  struct Listener {
    // `indexed` of `total` pages are in, more than the last time. At most
    // once per progressInterval, and not for the last page: complete says that.
    std::function<void(std::size_t indexed, std::size_t total)> pagesIndexed;
    // Every page is in and the index is finished. Not called once stopped.
    std::function<void()> complete;
    std::chrono::milliseconds progressInterval{100};
    // On each worker thread before its first page: a host that wants the
    // work to yield to its own (a reader's window) lowers the thread's priority.
    std::function<void()> workerStarting = {};
  };

  // Starts at once. Files that are not pages (isPageName) are left out; a
  // page that cannot be read is indexed as empty. `index` must outlive the
  // builder. `threads` 0 means one per processor, up to four: parsing pages
  // is nearly all of the work, and pages parse independently.
  IndexBuilder(SearchIndex& index, std::vector<PageFile> files, Listener listener, unsigned threads = 0);
  ~IndexBuilder();
  IndexBuilder(const IndexBuilder&) = delete;
  IndexBuilder& operator=(const IndexBuilder&) = delete;

  std::size_t pageTotal() const { return files_.size(); }

 private:
  void work();
  void reportProgress();
  void stopAndJoin();

  SearchIndex& index_;
  std::vector<PageFile> files_;
  Listener listener_;
  std::atomic<bool> stop_{false};
  std::atomic<std::size_t> next_{0};
  std::atomic<std::size_t> indexed_{0};
  std::atomic<unsigned> running_{0};
  std::mutex reportMutex_;
  std::chrono::steady_clock::time_point lastReport_;
  std::size_t lastReported_ = 0;
  std::vector<std::thread> threads_;
};

}  // namespace pagora::search
