// verify and extract on damaged books: exit 1 with the viewer's own message,
// never a crash, never a file written outside the target folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "container/load_messages.h"
#include "support/book_builder.h"
#include "support/scratch_folder.h"
#include "tool_runner.h"

namespace pagora {
namespace {

using testing::runTool;
using testing::ToolRun;

class CorruptBooksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::buildBook(book_, {{"index.html", "<p>index</p>"}, {"images\\a.png", "PNG"}});
    good_ = testing::readFile(book_);
    layout_ = testing::describeBook(book_);
  }

  // Runs verify and expects it to refuse the book with `message`.
  void expectRefused(const std::string& message) {
    ToolRun run = runTool({"verify", book_});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(book_ + ": " + message + load_message::kCorruptBookLine + "\n", 0), 0u) << run.err;
  }
  void restore() { testing::writeFile(book_, good_); }

  testing::ScratchFolder scratch_;
  std::string book_ = scratch_ / "book";
  std::string good_;
  testing::BookLayout layout_;
};

TEST_F(CorruptBooksTest, TheUndamagedBookVerifies) { EXPECT_EQ(runTool({"verify", book_}).status, 0); }

TEST_F(CorruptBooksTest, DamagedRecordsFailTheParse) {
  struct Damage {
    std::string what;
    std::int64_t position;
    int bit;
  };
  std::vector<Damage> damages;
  const std::pair<const char*, std::int64_t> magics[] = {
      {"trailer magic", layout_.trailer},        {"trailer end magic", layout_.trailer + 20},
      {"header magic", layout_.header},          {"header end magic", layout_.headerEndMagic},
      {"string list magic", layout_.stringList}, {"file table magic", layout_.fileTable},
      {"first entry magic", layout_.entries[0]}, {"second entry magic", layout_.entries[1]},
  };
  for (const auto& [what, position] : magics) {
    for (int byte = 0; byte < 4; ++byte) damages.push_back({what + std::string(" byte ") + std::to_string(byte), position + byte, 7});
  }
  for (int value = 0; value < 12; ++value) {
    damages.push_back({"check value " + std::to_string(value + 1), layout_.checkValues + 4 * value + value % 4, value % 8});
  }
  for (int word = 0; word < 4; ++word) {
    damages.push_back({"zero word " + std::to_string(word), layout_.zeroWords + 4 * word + 3, 0});
  }
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    testing::flipBitAt(book_, damage.position, damage.bit);
    expectRefused(load_message::kSelfParseFailed);
    restore();
  }
}

TEST_F(CorruptBooksTest, EveryTruncationFailsTheParse) {
  for (std::int64_t size = layout_.size - 1; size >= 0; --size) {
    SCOPED_TRACE("truncated to " + std::to_string(size));
    testing::truncateFile(book_, size);
    expectRefused(load_message::kSelfParseFailed);
    if (::testing::Test::HasFailure()) return;
  }
}

TEST_F(CorruptBooksTest, BooksThatParseButCannotBeLoaded) {
  struct Case {
    const char* what;
    std::int32_t fileCount;
    std::vector<BookFileEntry> entries;
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
    testing::writeRawBook(book_, c.fileCount, c.entries);
    expectRefused(c.message);
    if (!c.detail.empty()) {
      ToolRun run = runTool({"verify", book_});
      EXPECT_NE(run.err.find("pagora-book: " + book_ + ": " + c.detail), std::string::npos) << run.err;
    }
  }
}

TEST_F(CorruptBooksTest, ExtractRefusesWhatTheViewerWouldRefuse) {
  const std::string out = scratch_ / "deep/er/out";
  testing::writeRawBook(book_, 2, {{"index.html", 0, 0, 10}, {"..\\..\\evil.sh", 0, 0, 10}});
  ToolRun unsafe = runTool({"extract", book_, out});
  EXPECT_EQ(unsafe.status, 1);
  EXPECT_NE(unsafe.err.find(load_message::kExtractionFailed), std::string::npos) << unsafe.err;
  EXPECT_FALSE(std::filesystem::exists(scratch_ / "deep/evil.sh"));
  EXPECT_FALSE(std::filesystem::exists(out + "/index.html")) << "nothing is extracted from a refused book";

  testing::writeRawBook(book_, 1, {{"page.html", 0, 0, 10}});
  ToolRun withoutIndex = runTool({"extract", book_, out});
  EXPECT_EQ(withoutIndex.status, 0) << "a book without a start page still has files worth extracting";
  EXPECT_EQ(testing::readFile(out + "/page.html"), "0123456789");
}

}  // namespace
}  // namespace pagora
