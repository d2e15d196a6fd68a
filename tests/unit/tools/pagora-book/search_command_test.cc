// pagora-book search: the pages a query finds in a book, best first, named as
// `list` names them; exit 0, 1 or 2 for found, none and cannot search.
#include <gtest/gtest.h>

#include <filesystem>

#include "container/load_messages.h"
#include "support/book_image.h"
#include "support/scratch_folder.h"
#include "tool_run.h"

namespace pagora {
namespace {

using testing::BookImage;
using testing::linesOf;
using testing::ProcessResult;
using Lines = std::vector<std::string>;

class SearchCommandTest : public ::testing::Test {
 protected:
  ProcessResult search(const Lines& words) {
    testing::ProcessSpec spec;
    spec.program = PAGORA_BOOK_BINARY;
    spec.arguments = {"search", book_};
    spec.arguments.insert(spec.arguments.end(), words.begin(), words.end());
    // Nothing is extracted anywhere: an empty temporary directory stays empty.
    spec.environment = {{"TMPDIR", temp_.path()}};
    ProcessResult run = testing::runProcess(spec);
    EXPECT_TRUE(std::filesystem::is_empty(temp_.path()));
    return run;
  }

  testing::ScratchFolder scratch_;
  testing::ScratchFolder temp_;
  std::string book_ = scratch_ / "book";
};

TEST_F(SearchCommandTest, ListsTheMatchingPagesBestFirst) {
  BookImage::of({{"index.html", "<title>Fruit  basket</title><p>An apple, a pear.</p>"},
                 {"guide\\apples.html", "<title>Apple guide</title><p>apple</p>"},
                 {"notes.htm", "<p>Apples, APPLES and an applet</p>"},
                 {"apple.txt", "apple apple apple apple: not a page"},
                 {"old.html", "<p>stale apple apple apple apple</p>"},
                 {"old.html", "<p>the page on disk is the last stored</p>"}})
      .writeTo(book_);
  struct Case {
    Lines words;
    Lines found;
  };
  const Case cases[] = {
      {{"apple"}, {"guide\\apples.html\tApple guide", "notes.htm\tnotes.htm", "index.html\tFruit basket"}},
      {{"PEAR", "app"}, {"index.html\tFruit basket"}},
      {{"guide apple"}, {"guide\\apples.html\tApple guide"}},
      {{"stale"}, {}},
      {{"kiwi"}, {}},
      {{"...", "--"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    const ProcessResult run = search(c.words);
    EXPECT_EQ(run.exitStatus, c.found.empty() ? 1 : 0) << run.err;
    EXPECT_EQ(linesOf(run.out), c.found);
    EXPECT_EQ(run.err, "");
  }
}

TEST_F(SearchCommandTest, SearchesABookWithoutStartPage) {
  BookImage::of({{"page.html", "<p>lonely words</p>"}}).writeTo(book_);
  const ProcessResult run = search({"lone"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out, "page.html\tpage.html\n");
}

TEST_F(SearchCommandTest, ABookThatCannotBeReadExitsWithTwoAndTheViewersMessage) {
  const BookImage good = BookImage::of({{"index.html", "<p>words</p>"}});
  BookImage damaged = good;
  damaged.flipBit(damaged.trailerField(0) + 2, 7);
  damaged.writeTo(book_);
  ProcessResult run = search({"words"});
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind(book_ + ": " + load_message::kSelfParseFailed + load_message::kCorruptBookLine, 0), 0u)
      << run.err;

  BookImage::of({{"index.html", "<p>words</p>"}, {"..\\evil.html", "<p>words</p>"}}).writeTo(book_);
  run = search({"words"});
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_NE(run.err.find(load_message::kExtractionFailed), std::string::npos) << run.err;

  std::filesystem::remove(book_);
  run = search({"words"});
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_EQ(run.err, "pagora-book: " + book_ + ": No such file or directory\n");
}

}  // namespace
}  // namespace pagora
