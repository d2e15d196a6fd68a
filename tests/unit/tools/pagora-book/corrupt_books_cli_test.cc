// verify and extract on damaged books: exit 1 with the viewer's own message
// and the stored file it concerns, never a crash, never a file written
// outside the target folder. Every kind of damage is the container tests'
// table; these rows prove the command line passes its outcome on.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "container/load_messages.h"
#include "support/book_image.h"
#include "support/scratch_folder.h"
#include "tool_run.h"

namespace pagora {
namespace {

using testing::BookImage;
using testing::ProcessResult;
using testing::runTool;
using Entries = std::vector<BookFileEntry>;

class CorruptBooksTest : public ::testing::Test {
 protected:
  // A book whose one data file holds "0123456789", with the entries and the
  // declared count given.
  void writeRawBook(std::int32_t fileCount, const Entries& entries) {
    BookImage::of({{"data", "0123456789"}}, [&](BookInfo& info, Entries& written) {
      info.fileCount = fileCount;
      written = entries;
    }).writeTo(book_);
  }

  // Runs verify and expects it to refuse the book with `message`.
  void expectRefused(const std::string& message) {
    const ProcessResult run = runTool({"verify", book_});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(book_ + ": " + message + load_message::kCorruptBookLine + "\n", 0), 0u) << run.err;
  }

  testing::ScratchFolder scratch_;
  std::string book_ = scratch_ / "book";
};

TEST_F(CorruptBooksTest, BooksThatDoNotParseAreRefused) {
  const BookImage good = BookImage::of({{"index.html", "<p>index</p>"}, {"images\\a.png", "PNG"}});
  struct Case {
    const char* what;
    void (*damage)(BookImage&);
  };
  const Case cases[] = {
      {"undamaged", nullptr},
      {"trailer magic", [](BookImage& b) { b.flipBit(b.trailerField(0) + 2, 7); }},
      {"entry magic", [](BookImage& b) { b.flipBit(b.entryAt(1), 7); }},
      {"check value", [](BookImage& b) { b.flipBit(b.checkValue(7) + 1, 3); }},
      {"zero word", [](BookImage& b) { b.setWord(b.zeroWord(2), 1); }},
      {"cut one byte short", [](BookImage& b) { b.truncate(b.size() - 1); }},
      {"cut to the viewer", [](BookImage& b) { b.truncate(b.trailer().dataBase); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BookImage damaged = good;
    if (c.damage != nullptr) c.damage(damaged);
    damaged.writeTo(book_);
    if (c.damage == nullptr) {
      const ProcessResult run = runTool({"verify", book_});
      EXPECT_EQ(run.exitStatus, 0) << run.err;
      EXPECT_EQ(run.out, book_ + ": OK, 2 files\n");
    } else {
      expectRefused(load_message::kSelfParseFailed);
    }
  }
}

TEST_F(CorruptBooksTest, BooksThatParseButCannotBeLoaded) {
  struct Case {
    const char* what;
    std::int32_t fileCount;
    Entries entries;
    std::string message;
    std::string detail;  // the second line names the entry
  };
  const Case cases[] = {
      {"no files", 0, {}, load_message::kNoFiles, ""},
      {"counts differ", 2, {{"index.html", 0, 0, 10}}, load_message::kFileCountsDiffer, ""},
      {"unsafe name", 2, {{"index.html", 0, 0, 10}, {"..\\..\\evil.sh", 0, 0, 10}}, load_message::kExtractionFailed,
       "stored file 1: its name \"..\\..\\evil.sh\" could leave the reader's folder"},
      {"absolute name", 1, {{"/tmp/evil.sh", 0, 0, 10}}, load_message::kExtractionFailed, "stored file 0: "},
      {"data past the end", 1, {{"index.html", 0, 5, 1000000}}, load_message::kExtractionFailed, "stored file 0: "},
      {"no start page", 1, {{"page.html", 0, 0, 10}}, load_message::kIndexNotFound, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeRawBook(c.fileCount, c.entries);
    expectRefused(c.message);
    if (!c.detail.empty()) {
      const ProcessResult run = runTool({"verify", book_});
      EXPECT_NE(run.err.find("pagora-book: " + book_ + ": " + c.detail), std::string::npos) << run.err;
    }
  }
}

TEST_F(CorruptBooksTest, ExtractRefusesWhatTheViewerWouldRefuse) {
  const std::string out = scratch_ / "deep/er/out";
  writeRawBook(2, {{"index.html", 0, 0, 10}, {"..\\..\\evil.sh", 0, 0, 10}});
  const ProcessResult unsafe = runTool({"extract", book_, out});
  EXPECT_EQ(unsafe.exitStatus, 1);
  EXPECT_NE(unsafe.err.find(load_message::kExtractionFailed), std::string::npos) << unsafe.err;
  EXPECT_FALSE(std::filesystem::exists(scratch_ / "deep/evil.sh"));
  EXPECT_FALSE(std::filesystem::exists(out + "/index.html")) << "nothing is extracted from a refused book";

  writeRawBook(1, {{"page.html", 0, 0, 10}});
  const ProcessResult withoutIndex = runTool({"extract", book_, out});
  EXPECT_EQ(withoutIndex.exitStatus, 0) << "a book without a start page still has files worth extracting";
  EXPECT_EQ(testing::readFile(out + "/page.html"), "0123456789");
}

}  // namespace
}  // namespace pagora
