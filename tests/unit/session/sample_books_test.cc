// Books made from real documentation trees: every file comes out where it
// belongs with its bytes, the index page opens, and nothing is left once
// the session ends. The shared trees may hold the packages' symbolic links
// as links or as small files naming their targets; each tree is loaded as
// it is and from a copy whose stand-ins are links again, so both forms are
// tried wherever the tests run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "container/container_writer.h"
#include "session/book_session.h"
#include "support/book_image.h"
#include "support/printers.h"
#include "support/scratch_folder.h"
#include "support/shared_books.h"

namespace pagora::testing {
namespace {

namespace fs = std::filesystem;

// Every file of a tree with its bytes, links followed as the authoring tool
// follows those inside the tree; '\\' between folders, in name order.
std::vector<BookSource> sourcesOf(const std::string& root) {
  std::vector<BookSource> sources;
  for (const std::string& relative : filesBelow(root)) {
    std::string name = relative;
    std::replace(name.begin(), name.end(), '/', '\\');
    sources.push_back({name, "", readFile(root + "/" + relative)});
  }
  std::sort(sources.begin(), sources.end(),
            [](const BookSource& a, const BookSource& b) { return a.storedName < b.storedName; });
  return sources;
}

class SampleBookTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    shared_ = sharedBooksFolder();
    if (shared_.empty() || !fs::is_directory(shared_ + "/" + GetParam())) {
      GTEST_SKIP() << "no shared book " << GetParam() << " beside the source tree";
    }
  }

  // Packs `tree`, loads it, compares every file with its source, ends the session.
  void loadAndCompare(const std::string& tree) {
    const std::vector<BookSource> sources = sourcesOf(tree);
    ASSERT_FALSE(sources.empty());
    BookInfo info;
    info.esbn = std::string("sample-") + GetParam();
    info.title = GetParam();
    const std::string book = scratch_ / "book";
    {
      platform::File out = platform::File::create(book, 0755);
      const auto error = writeBook(out, scratch_ / "viewer", info, sources);
      ASSERT_FALSE(error) << error->path << ": " << error->reason;
    }
    const std::string temp = scratch_ / "tmp/";
    fs::create_directories(temp);
    const std::string folder = temp + info.esbn + ".qvx/";
    {
      BookSession session({.bookPath = book, .temporaryDirectory = temp, .watchForCrash = false,
                           .watcherLockFolder = {}, .sandboxRuntimeFolder = {}});
      EXPECT_EQ(session.load().notices, std::vector<Notice>{});
      EXPECT_EQ(session.startPagePath(), folder + "index.html");
      EXPECT_EQ(session.registry().filesInRemovalOrder().size(), sources.size());
      std::set<std::string> subfolders;
      for (const BookSource& source : sources) {
        std::string relative = source.storedName;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        for (std::size_t slash = relative.find('/'); slash != std::string::npos;
             slash = relative.find('/', slash + 1)) {
          subfolders.insert(relative.substr(0, slash));
        }
        ASSERT_EQ(readFile(folder + relative), *source.contents) << relative;
      }
      EXPECT_EQ(session.registry().createdFolders().size(), 1 + subfolders.size());
    }
    EXPECT_TRUE(treeOf(temp).empty());
  }

  ScratchFolder scratch_;
  std::string shared_;
};

TEST_P(SampleBookTest, LoadsEveryFileOpensTheIndexAndLeavesNothing) {
  writeFile(scratch_ / "viewer", kFakeViewer);
  loadAndCompare(shared_ + "/" + GetParam());
}

// The debian-faq package has its pages as links to their *.en.html files.
class LinkedSampleBookTest : public SampleBookTest {};

TEST_P(LinkedSampleBookTest, LoadsTheSameWithItsLinksAsLinks) {
  writeFile(scratch_ / "viewer", kFakeViewer);
  const std::string copy = scratch_ / "linked";
  copyTree(shared_ + "/" + GetParam(), copy);
  ASSERT_GE(relinkStandIns(copy), 10);
  loadAndCompare(copy);
}

INSTANTIATE_TEST_SUITE_P(Books, SampleBookTest, ::testing::Values("sqlite3-doc", "debian-faq"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                           return name;
                         });
INSTANTIATE_TEST_SUITE_P(Books, LinkedSampleBookTest, ::testing::Values("debian-faq"),
                         [](const ::testing::TestParamInfo<const char*>&) { return std::string("debianfaq"); });

}  // namespace
}  // namespace pagora::testing
