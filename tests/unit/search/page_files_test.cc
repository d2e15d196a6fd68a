#include "search/page_files.h"

#include <gtest/gtest.h>

#include "support/scratch_folder.h"

namespace pagora::search {
namespace {

TEST(PageFiles, PagesAreNamedHtmHtmlOrXhtmlInAnyCase) {
  for (const char* name : {"a.htm", "a.html", "a.xhtml", "A.HTML", "dir\\b.Htm", "dir/c.XHTML", ".html"}) {
    EXPECT_TRUE(isPageName(name)) << name;
  }
  for (const char* name : {"a.txt", "a.html.png", "html", "a.ht", "a.shtml.bak", "", "a.xhtm"}) {
    EXPECT_FALSE(isPageName(name)) << name;
  }
}

TEST(PageFiles, EachStoredPageOnceAsExtractionLeavesIt) {
  std::vector<BookFileEntry> entries;
  for (const char* name : {"index.html", "style.css", "a\\b.htm", "../up.html", "a/b.htm", "C:x.html", "c.xhtml",
                           "index.html", "A\\B.HTM", "d\\.\\e.html"}) {
    entries.push_back(BookFileEntry{name});
  }
  // The later "a/b.htm" and "index.html" are the files on disk; "A\\B.HTM" is another file.
  EXPECT_EQ(storedPageEntries(entries), (std::vector<std::size_t>{4, 6, 7, 8}));
  EXPECT_TRUE(storedPageEntries({}).empty());
}

TEST(PageFiles, ReadsAWholeFile) {
  testing::ScratchFolder folder;
  const std::string bytes = testing::patternBytes(100000);
  testing::writeFile(folder / "a.bin", bytes);
  testing::writeFile(folder / "empty", "");
  EXPECT_EQ(readWholeFile(folder / "a.bin"), bytes);
  EXPECT_EQ(readWholeFile(folder / "empty"), "");
  EXPECT_EQ(readWholeFile(folder / "missing"), std::nullopt);
  EXPECT_EQ(readWholeFile(folder.path()), std::nullopt) << "a folder is no file";
}

}  // namespace
}  // namespace pagora::search
