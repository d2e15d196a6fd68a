// The load tells its listener when the private folder is ready, before any
// file is written, and after each file; a book that fails before then, or a
// folder that cannot be used, tells it nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/probe_book.h"

namespace pagora {
namespace {

using probe::storedFile;
using Events = std::vector<std::string>;

class LoadListenerTest : public probe::ProbeTest {};

TEST_F(LoadListenerTest, HearsOfTheEmptyFolderFirstThenOfEachFileWritten) {
  BookInfo info;
  info.esbn = "heard";
  const std::string book =
      makeBook(info, {storedFile("a\\one.html", "1"), storedFile("index.html", "i"), storedFile("two.html", "2")});
  const probe::Report report = run(book, {"--listen"});
  EXPECT_TRUE(report.notices.empty());
  EXPECT_EQ(report.listenerEvents,
            (Events{"start " + tempDir() + "heard.qvx/ holding 0", "between 1", "between 2", "between 3"}));
}

TEST_F(LoadListenerTest, HearsNoMoreAfterAFileFailsToExtract) {
  BookInfo info;
  info.esbn = "cut";
  const std::string book = makeTamperedBook(
      info, {storedFile("one.html", "1"), storedFile("two.html", "2"), storedFile("three.html", "3")},
      [](BookInfo&, std::vector<BookFileEntry>& entries) { entries[1].size = 100 * 1000 * 1000; });
  const probe::Report report = run(book, {"--listen"});
  EXPECT_EQ(report.notices.size(), 1u);
  EXPECT_EQ(report.listenerEvents, (Events{"start " + tempDir() + "cut.qvx/ holding 0", "between 1"}));
}

TEST_F(LoadListenerTest, HearsNothingWhenTheBookOrTheFolderCannotBeUsed) {
  const probe::Report unparsed = run(plainProbe(), {"--listen"});
  EXPECT_EQ(unparsed.notices.size(), 1u);
  EXPECT_TRUE(unparsed.listenerEvents.empty());

  BookInfo info;
  info.esbn = "taken";
  probe::writeFile(tempDir() + "taken.qvx", "a file where the folder would go");
  const probe::Report folderless = run(makeBook(info, {storedFile("index.html", "i")}), {"--listen"});
  EXPECT_EQ(folderless.notices.size(), 2u);
  EXPECT_TRUE(folderless.listenerEvents.empty());
}

}  // namespace
}  // namespace pagora
