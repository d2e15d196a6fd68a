#include "search/index_builder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace pagora::search {
namespace {

// Waits, with a deadline, for the builder's listener to say it is complete.
class CompletionWaiter {
 public:
  IndexBuilder::Listener listener() {
    return {[this](std::size_t indexed, std::size_t total) {
              std::lock_guard lock(mutex_);
              progress_.emplace_back(indexed, total);
            },
            [this] {
              std::lock_guard lock(mutex_);
              ++completions_;
              changed_.notify_all();
            }};
  }
  bool waitForCompletion() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(60), [this] { return completions_ > 0; });
  }
  int completions() {
    std::lock_guard lock(mutex_);
    return completions_;
  }
  std::vector<std::pair<std::size_t, std::size_t>> progress() {
    std::lock_guard lock(mutex_);
    return progress_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int completions_ = 0;
  std::vector<std::pair<std::size_t, std::size_t>> progress_;
};

TEST(IndexBuilder, IndexesEveryPageOnItsThreadsAndSaysWhenComplete) {
  testing::ScratchFolder folder;
  std::vector<PageFile> files;
  for (int i = 0; i < 300; ++i) {
    const std::string name = "page" + std::to_string(i) + ".html";
    testing::writeFile(folder / name, "<p>common word" + std::to_string(i) + "</p>");
    files.push_back(PageFile{name, folder / name});
  }
  files.push_back(PageFile{"missing.html", folder / "missing.html"});
  files.push_back(PageFile{"style.css", folder / "page0.html"});
  for (const unsigned threads : {1u, 3u}) {
    SearchIndex index;
    CompletionWaiter waiter;
    {
      IndexBuilder builder(index, files, waiter.listener(), threads);
      EXPECT_EQ(builder.pageTotal(), 301u);
      ASSERT_TRUE(waiter.waitForCompletion());
    }
    EXPECT_EQ(waiter.completions(), 1);
    EXPECT_TRUE(index.isComplete());
    EXPECT_EQ(index.pageCount(), 301u) << "a page that cannot be read counts, empty";
    EXPECT_EQ(index.search(Query::parse("common")).size(), 300u);
    EXPECT_EQ(index.search(Query::parse("word299")).size(), 1u);
    for (const auto& [indexed, total] : waiter.progress()) {
      EXPECT_LT(indexed, total);
      EXPECT_EQ(total, 301u);
    }
  }
}

TEST(IndexBuilder, StopsPartWayThroughALargePageWhenDestroyed) {
  testing::ScratchFolder folder;
  std::string large = "<p>";
  while (large.size() < (40u << 20)) large += "many words of text go on and on ";
  testing::writeFile(folder / "large.html", large);
  SearchIndex index;
  CompletionWaiter waiter;
  { IndexBuilder builder(index, {PageFile{"large.html", folder / "large.html"}}, waiter.listener()); }
  EXPECT_EQ(waiter.completions(), 0);
  EXPECT_FALSE(index.isComplete());
  EXPECT_EQ(index.pageCount(), 0u);
}

TEST(IndexBuilder, CompletesAnEmptyBook) {
  SearchIndex index;
  CompletionWaiter waiter;
  IndexBuilder builder(index, {}, waiter.listener(), 2);
  ASSERT_TRUE(waiter.waitForCompletion());
  EXPECT_TRUE(index.isComplete());
}

}  // namespace
}  // namespace pagora::search
