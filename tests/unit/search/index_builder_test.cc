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
  IndexBuilder::Listener listener(std::chrono::milliseconds progressInterval = std::chrono::milliseconds(100)) {
    return {[this](std::size_t indexed, std::size_t total) {
              std::lock_guard lock(mutex_);
              progress_.emplace_back(indexed, total);
            },
            [this] {
              std::lock_guard lock(mutex_);
              ++completions_;
              changed_.notify_all();
            },
            progressInterval};
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
      // Every page reported, so the reports can be checked.
      IndexBuilder builder(index, files, waiter.listener(std::chrono::milliseconds(0)), threads);
      EXPECT_EQ(builder.pageTotal(), 301u);
      ASSERT_TRUE(waiter.waitForCompletion());
    }
    EXPECT_EQ(waiter.completions(), 1);
    EXPECT_TRUE(index.isComplete());
    EXPECT_EQ(index.pageCount(), 301u) << "a page that cannot be read counts, empty";
    EXPECT_EQ(index.search(Query::parse("common")).size(), 300u);
    EXPECT_EQ(index.search(Query::parse("word299")).size(), 1u);
    const auto progress = waiter.progress();
    if (threads == 1) {
      EXPECT_EQ(progress.size(), 300u) << "each page but the last";
    }
    std::size_t before = 0;
    for (const auto& [indexed, total] : progress) {
      EXPECT_GT(indexed, before);
      EXPECT_LT(indexed, total);
      EXPECT_EQ(total, 301u);
      before = indexed;
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
