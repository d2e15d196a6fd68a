// The checks the load and `pagora-book verify` share, where they do not need
// a damaged book (corruption_table_test.cc has those): which stored name
// opens the book, and a book that cannot be read at all.
#include "container/book_validation.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "support/printers.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

// "index.html" in any letter case always takes the start page (the last one
// wins); "index.htm" only while none is chosen (the first one wins).
TEST(TakesStartPageTest, WholeNameInAnyLetterCase) {
  struct Case {
    const char* storedName;
    bool pageChosen;
    bool takes;
  };
  const Case cases[] = {
      {"index.html", false, true},       {"index.html", true, true},       {"INDEX.HTML", true, true},
      {"Index.Html", false, true},       {"index.htm", false, true},       {"INDEX.HTM", false, true},
      {"index.htm", true, false},        {"InDeX.hTm", true, false},       {"docs\\index.html", false, false},
      {"docs/index.htm", false, false},  {"index.html.bak", false, false}, {"index.htmx", false, false},
      {" index.html", false, false},     {"index", false, false},          {"", false, false},
      {"index.shtml", false, false},     {"\xC9NDEX.HTML", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(takesStartPage(c.storedName, c.pageChosen), c.takes)
        << '"' << c.storedName << "\" with a page chosen: " << c.pageChosen;
  }
}

TEST(CheckBookTest, ABookThatCannotBeOpenedOrHasNoContainerFailsTheParse) {
  testing::ScratchFolder scratch;
  const BookCheck missing = checkBook(scratch / "missing");
  EXPECT_EQ(missing.openError, ENOENT);
  EXPECT_EQ(missing.fault, BookFault::SelfParseFailed);

  testing::writeFile(scratch / "plain", "no container here, just some bytes");
  const BookCheck plain = checkBook(scratch / "plain");
  EXPECT_EQ(plain.openError, 0);
  EXPECT_EQ(plain.fault, BookFault::SelfParseFailed);
  EXPECT_EQ(plain.failedEntry, -1);
}

}  // namespace
}  // namespace pagora
