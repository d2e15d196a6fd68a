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
