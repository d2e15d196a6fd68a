// The book's index as the window holds it: built on worker threads, heard of
// on the main loop only, and silent once the window has let it go, even
// with its last news still queued.
#include "viewer/window/book_search.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/scratch_folder.h"
#include "support/wait_until.h"

namespace pagora::viewer {
namespace {

std::vector<search::PageFile> writePages(const testing::ScratchFolder& folder, int count) {
  std::vector<search::PageFile> pages;
  for (int i = 0; i < count; ++i) {
    const std::string name = "page" + std::to_string(i) + ".html";
    testing::writeFile(folder / name, "<title>Page " + std::to_string(i) + "</title><p>common words</p>");
    pages.push_back({name, folder / name});
  }
  return pages;
}

TEST(BookSearchTest, ObserversHearOnTheMainLoopUntilTheIndexIsComplete) {
  testing::ScratchFolder folder;
  BookSearch search;
  const std::thread::id mainThread = std::this_thread::get_id();
  int heard = 0;
  bool heardComplete = false;
  search.addObserver([&] {
    EXPECT_EQ(std::this_thread::get_id(), mainThread);
    ++heard;
    heardComplete = search.complete();
  });
  EXPECT_FALSE(search.started());
  search.start(writePages(folder, 400), 2);
  search.start({}, 2);  // started already: nothing changes
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!heardComplete && std::chrono::steady_clock::now() < deadline) g_main_context_iteration(nullptr, FALSE);
  ASSERT_TRUE(heardComplete);
  EXPECT_GE(heard, 1);
  EXPECT_EQ(search.index().search(search::Query::parse("common")).size(), 400u);
}

TEST(BookSearchTest, NewsQueuedForAnIndexThatIsGoneIsDropped) {
  testing::ScratchFolder folder;
  bool heard = false;
  {
    BookSearch search;
    search.addObserver([&] { heard = true; });
    search.start(writePages(folder, 50), 2);
    // Complete, and its news queued on the main loop, which has not run.
    ASSERT_TRUE(testing::waitUntil([&] { return search.complete(); }));
  }
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  EXPECT_FALSE(heard);
}

TEST(BookSearchTest, StopEndsTheBuildAndKeepsWhatIsIn) {
  testing::ScratchFolder folder;
  BookSearch search;
  search.start(writePages(folder, 2000), 1);
  search.stop();
  EXPECT_FALSE(search.complete());
  const std::size_t pages = search.index().pageCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(search.index().pageCount(), pages) << "no thread adds pages once stopped";
}

}  // namespace
}  // namespace pagora::viewer
