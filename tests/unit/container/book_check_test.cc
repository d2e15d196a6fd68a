#include "container/book_check.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "container/load_messages.h"
#include "support/book_builder.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

TEST(BookCheckTest, ReportsTheLoadsFirstComplaint) {
  struct Case {
    const char* what;
    std::int32_t fileCount;
    std::vector<BookFileEntry> entries;
    std::optional<std::string> failure;
    int failedEntry;
  };
  const Case cases[] = {
      {"a sound book", 2, {{"page.html", 0, 0, 4}, {"index.html", 0, 4, 6}}, std::nullopt, -1},
      {"index.htm in capitals", 1, {{"INDEX.HTM", 0, 0, 10}}, std::nullopt, -1},
      {"no files declared, none stored", 0, {}, load_message::kNoFiles, -1},
      {"no files declared, one stored", 0, {{"index.html", 0, 0, 1}}, load_message::kNoFiles, -1},
      {"more declared than stored", 3, {{"index.html", 0, 0, 1}, {"b", 0, 0, 1}}, load_message::kFileCountsDiffer, -1},
      {"negative count declared", -1, {}, load_message::kFileCountsDiffer, -1},
      {"unsafe name", 2, {{"index.html", 0, 0, 1}, {"..\\up", 0, 0, 1}}, load_message::kExtractionFailed, 1},
      {"data past the end", 1, {{"index.html", 0, 0, 100000}}, load_message::kExtractionFailed, 0},
      {"data before the start", 1, {{"index.html", 0, -1000, 1}}, load_message::kExtractionFailed, 0},
      {"empty entry far away", 1, {{"index.html", 0, INT32_MAX, 0}}, std::nullopt, -1},
      {"no start page", 1, {{"start.html", 0, 0, 10}}, load_message::kIndexNotFound, -1},
      {"start page only in a folder", 1, {{"docs\\index.html", 0, 0, 10}}, load_message::kIndexNotFound, -1},
  };
  testing::ScratchFolder scratch;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::writeRawBook(scratch / "book", c.fileCount, c.entries);
    BookCheck check = checkBook(scratch / "book");
    EXPECT_EQ(check.openError, 0);
    EXPECT_EQ(check.failure, c.failure);
    EXPECT_EQ(check.failedEntry, c.failedEntry);
    EXPECT_EQ(check.entryProblem.empty(), c.failedEntry < 0);
  }
}

TEST(BookCheckTest, UnopenableAndUnparsableBooks) {
  testing::ScratchFolder scratch;
  BookCheck missing = checkBook(scratch / "missing");
  EXPECT_EQ(missing.openError, ENOENT);
  EXPECT_EQ(missing.failure, load_message::kSelfParseFailed);

  testing::writeFile(scratch / "plain", "no container here, just some bytes");
  BookCheck plain = checkBook(scratch / "plain");
  EXPECT_EQ(plain.openError, 0);
  EXPECT_EQ(plain.failure, load_message::kSelfParseFailed);
}

TEST(BookCheckTest, StartPageNamesCountOnlyAsAWhole) {
  for (const char* name : {"index.html", "INDEX.HTML", "Index.Htm", "index.htm"}) EXPECT_TRUE(isStartPageName(name));
  for (const char* name : {"index.html.bak", "docs\\index.html", "index.shtml", "index", ""}) {
    EXPECT_FALSE(isStartPageName(name)) << name;
  }
}

}  // namespace
}  // namespace pagora
