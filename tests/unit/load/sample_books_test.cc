// Books made from real documentation trees: every file comes out where it
// belongs, the index page opens, and nothing is left once the clean-up ran.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/probe_book.h"

namespace pagora {
namespace {

namespace fs = std::filesystem;

// Every file of a tree as the authoring tool stores it: '\\' between folders.
std::vector<BookSource> sourcesOf(const fs::path& root) {
  std::vector<BookSource> sources;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;  // follows links, as the tool does
    std::string name = fs::relative(entry.path(), root).string();
    std::replace(name.begin(), name.end(), '/', '\\');
    BookSource source;
    source.storedName = name;
    source.sourcePath = entry.path().string();
    sources.push_back(source);
  }
  std::sort(sources.begin(), sources.end(),
            [](const BookSource& a, const BookSource& b) { return a.storedName < b.storedName; });
  return sources;
}

class SampleBookTest : public probe::ProbeTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(SampleBookTest, LoadsEveryFileOpensTheIndexAndLeavesNothing) {
  const fs::path root = fs::path(PAGORA_SHARED_BOOKS) / GetParam();
  if (!fs::is_directory(root)) GTEST_SKIP() << root << " is not here";
  const std::vector<BookSource> sources = sourcesOf(root);
  BookInfo info;
  info.esbn = "sample-" + GetParam();
  info.title = GetParam();
  const std::string book = makeBook(info, sources);
  const std::string folder = tempDir() + info.esbn + ".qvx/";

  const probe::Report kept = run(book, {"--keep"});
  EXPECT_TRUE(kept.notices.empty());
  EXPECT_EQ(kept.startPagePath, folder + "index.html");
  EXPECT_EQ(kept.registeredFiles.size(), sources.size());
  std::set<std::string> subfolders;
  for (const BookSource& source : sources) {
    std::string relative = source.storedName;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    for (std::size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1)) {
      subfolders.insert(relative.substr(0, slash));
    }
    ASSERT_EQ(probe::readFile(folder + relative), probe::readFile(source.sourcePath)) << relative;
  }
  EXPECT_EQ(kept.registeredFolders.size(), 1 + subfolders.size());

  fs::remove_all(folder);
  const probe::Report cleaned = run(book);
  EXPECT_TRUE(cleaned.notices.empty());
  EXPECT_TRUE(cleaned.left.empty());
}

INSTANTIATE_TEST_SUITE_P(Books, SampleBookTest, ::testing::Values("sqlite3-doc", "debian-faq"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                           return name;
                         });

}  // namespace
}  // namespace pagora
