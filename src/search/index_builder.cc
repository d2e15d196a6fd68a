#include "search/index_builder.h"

#include <algorithm>
#include <new>
#include <optional>

#include "search/page_files.h"

namespace pagora::search {

IndexBuilder::IndexBuilder(SearchIndex& index, std::vector<PageFile> files, Listener listener, unsigned threads)
    : index_(index), listener_(std::move(listener)), lastReport_(std::chrono::steady_clock::now()) {
  for (PageFile& file : files) {
    if (isPageName(file.storedName)) files_.push_back(std::move(file));
  }
  const unsigned count = threads > 0 ? threads : std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  running_ = count;
  try {
    for (unsigned i = 0; i < count; ++i) threads_.emplace_back([this] { work(); });
  } catch (...) {
    stopAndJoin();
    throw;
  }
}

IndexBuilder::~IndexBuilder() { stopAndJoin(); }

void IndexBuilder::stopAndJoin() {
  stop_ = true;
  for (std::thread& thread : threads_) {
    if (thread.joinable()) thread.join();
  }
}

void IndexBuilder::work() {
  if (listener_.workerStarting) listener_.workerStarting();
  for (std::size_t next; !stop_ && (next = next_.fetch_add(1)) < files_.size();) {
    const PageFile& file = files_[next];
    PageEntry entry{file.storedName, {}, {}, {}};
    try {
      if (const std::optional<std::string> bytes = readWholeFile(file.path)) {
        entry = makePageEntry(file.storedName, *bytes, &stop_);
      }
    } catch (const std::bad_alloc&) {
      // A page too large for memory is left out rather than the whole index.
      entry = PageEntry{file.storedName, {}, {}, {}};
    }
    if (stop_) break;
    index_.add(std::move(entry));
    ++indexed_;
    reportProgress();
  }
  if (--running_ > 0 || stop_) return;
  index_.finish();
  if (listener_.complete) listener_.complete();
}

void IndexBuilder::reportProgress() {
  if (!listener_.pagesIndexed) return;
  std::lock_guard lock(reportMutex_);
  // Read under the lock, so that reports from several workers never go back.
  const std::size_t indexed = indexed_;
  const auto now = std::chrono::steady_clock::now();
  if (indexed == files_.size() || indexed == lastReported_ || now - lastReport_ < listener_.progressInterval || stop_) {
    return;
  }
  lastReport_ = now;
  lastReported_ = indexed;
  listener_.pagesIndexed(indexed, files_.size());
}

}  // namespace pagora::search
