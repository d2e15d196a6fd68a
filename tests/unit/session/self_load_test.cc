// A book is a copy of the viewer with the book appended: the load reads the
// running executable. These run the load probe, a viewer without a window,
// as a process of its own; so do the limits that must apply to it alone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "child_setup.h"
#include "contained_load.h"
#include "container/format.h"
#include "container/load_messages.h"
#include "pages/about_page.h"
#include "session/private_folder.h"
#include "support/book_image.h"
#include "support/load_probe_run.h"
#include "unit/pages/expected_about_pages.h"

namespace pagora::testing {
namespace {

using Tree = std::set<std::string>;

class SelfLoadTest : public ::testing::Test {
 protected:
  std::string probeBook(const BookInfo& info, const std::vector<TestFile>& files) {
    BookRecipe recipe;
    recipe.viewer = readFile(loadProbePath());
    recipe.info = info;
    recipe.files = files;
    const std::string path = workspace_.book("book" + std::to_string(++books_));
    BookImage::build(recipe).writeTo(path);
    return path;
  }

  // Waits, with a deadline, until the temporary directory is empty.
  bool tempEmptiesWithin(std::chrono::seconds deadline) const {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (!treeOf(workspace_.temp()).empty()) {
      if (std::chrono::steady_clock::now() >= until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

  LoadWorkspace workspace_;
  int books_ = 0;
};

TEST_F(SelfLoadTest, ABookReadsItsOwnExecutable) {
  BookInfo info;
  info.esbn = "self";
  info.title = "Reads Itself";
  info.printAllowed = 1;
  const std::string cover = patternBytes(format::kTransferBufferSize + 5000);
  const std::string book = probeBook(info, {{"index.html", "<P>index"}, {"images\\cover.png", cover}});
  const ProbeReport report = runLoadProbe(book, workspace_.temp(), {"--dump", "images/cover.png"});
  ASSERT_TRUE(report.process.exitedWith(0)) << describeEnd(report.process) << ": " << report.process.err;
  const std::string folder = workspace_.temp() + "self.qvx/";
  EXPECT_TRUE(report.notices.empty());
  EXPECT_EQ(report.title, "Reads Itself");
  EXPECT_EQ(report.printAllowed, "yes");
  EXPECT_EQ(report.startPagePath, folder + "index.html");
  EXPECT_EQ(Tree(report.registeredFiles.begin(), report.registeredFiles.end()),
            (Tree{folder + "index.html", folder + "images/cover.png"}));
  EXPECT_EQ(report.dumps, std::vector<std::string>{cover});
  EXPECT_EQ(report.cwdBefore, report.cwdAfter);
  EXPECT_TRUE(report.left.empty());
}

TEST_F(SelfLoadTest, TheViewerWithoutABookFailsItsParseAndWritesNothing) {
  const std::string plain = workspace_.book("plain");
  std::filesystem::copy_file(loadProbePath(), plain);
  std::filesystem::permissions(plain, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
  const ProbeReport report = runLoadProbe(plain, workspace_.temp());
  ASSERT_TRUE(report.process.exitedWith(0)) << describeEnd(report.process) << ": " << report.process.err;
  EXPECT_EQ(report.notices, std::vector<std::string>{"warning " + corrupted(load_message::kSelfParseFailed)});
  EXPECT_EQ(report.printAllowed, "no");
  EXPECT_EQ(report.startPagePath, "");
  EXPECT_TRUE(report.registeredFiles.empty());
  EXPECT_TRUE(report.registeredFolders.empty());
  EXPECT_TRUE(report.left.empty());
}

// A viewer that ends without its clean-up (killed, crashed) leaves its files;
// the crash watcher its session started removes them once it is gone.
TEST_F(SelfLoadTest, TheSessionsCrashWatcherRemovesWhatAViewerThatDiedLeft) {
  BookInfo info;
  info.esbn = "watched";
  const std::string book = probeBook(info, {{"index.html", "i"}, {"pics\\a.png", "a"}});
  const ProbeReport unwatched = runLoadProbe(book, workspace_.temp(), {"--keep"});
  ASSERT_TRUE(unwatched.process.exitedWith(0)) << unwatched.process.err;
  EXPECT_EQ(treeOf(workspace_.temp()), (Tree{"watched.qvx", "watched.qvx/index.html", "watched.qvx/pics",
                                             "watched.qvx/pics/a.png"}));
  workspace_.emptyTemp();

  const ProbeReport watched = runLoadProbe(book, workspace_.temp(), {"--keep", "--watch"});
  ASSERT_TRUE(watched.process.exitedWith(0)) << watched.process.err;
  EXPECT_EQ(watched.left.size(), 4u) << "nothing goes while the viewer lives";
  EXPECT_TRUE(tempEmptiesWithin(std::chrono::seconds(30))) << ::testing::PrintToString(treeOf(workspace_.temp()));
}

// A full disk cuts the about page short: it stays registered, so the
// clean-up removes what was written of it.
TEST_F(SelfLoadTest, AboutPageCutShortByAFullDiskIsRemovedAtExit) {
  const std::string book = probeBook(BookInfo{}, {{"a.html", "small"}});
  const ProbeReport report =
      runLoadProbe(book, workspace_.temp(), {"--dump", std::string(kAboutPageName)}, limitFileSize(1000));
  ASSERT_TRUE(report.process.exitedWith(0)) << describeEnd(report.process) << ": " << report.process.err;
  EXPECT_EQ(report.notices, (std::vector<std::string>{"warning " + corrupted(load_message::kIndexNotFound),
                                                      std::string("warning ") + kWriteFailureNotice}));
  EXPECT_EQ(report.dumps, std::vector<std::string>{expected::kEmptyAboutPage.substr(0, 1000)});
  EXPECT_EQ(report.registeredFiles.size(), 2u);
  EXPECT_TRUE(report.left.empty());
}

}  // namespace
}  // namespace pagora::testing
