// Real documentation trees packed, checked and unpacked again byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "container/container_reader.h"
#include "support/book_image.h"
#include "support/scratch_folder.h"
#include "support/shared_books.h"
#include "tool_run.h"

namespace pagora {
namespace {

namespace fs = std::filesystem;
using testing::filesBelow;
using testing::ProcessResult;
using testing::readFile;
using testing::runTool;

class BookRoundTripTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::writeFile(viewer_, testing::kFakeViewer); }

  // Packs `tree`, checks the book as the viewer would, extracts it and
  // compares every file with its source.
  void roundTrip(const std::string& tree, std::size_t expectedFiles) {
    ProcessResult created = runTool({"create", tree, "-o", book_, "--viewer", viewer_, "--title", "Round trip"});
    ASSERT_EQ(created.exitStatus, 0) << created.err;

    ContainerReader reader(book_);
    BookInfo info;
    BookFileTable table;
    ContainerTrailer trailer;
    ASSERT_TRUE(reader.parse(info, table, trailer));
    EXPECT_EQ(static_cast<std::size_t>(table.count()), expectedFiles);
    EXPECT_EQ(info.fileCount, table.count());
    EXPECT_EQ(testing::linesOf(runTool({"list", book_}).out).size(), expectedFiles);

    ProcessResult verified = runTool({"verify", book_});
    EXPECT_EQ(verified.exitStatus, 0) << verified.err;

    const std::string out = scratch_ / "out";
    ProcessResult extracted = runTool({"extract", book_, out});
    ASSERT_EQ(extracted.exitStatus, 0) << extracted.err;
    const std::vector<std::string> sourceFiles = filesBelow(tree);
    ASSERT_EQ(sourceFiles.size(), expectedFiles);
    EXPECT_EQ(filesBelow(out), sourceFiles);
    for (const std::string& file : sourceFiles) {
      ASSERT_EQ(readFile(out + "/" + file), readFile(tree + "/" + file)) << file;
    }
  }

  testing::ScratchFolder scratch_;
  std::string viewer_ = scratch_ / "viewer";
  std::string book_ = scratch_ / "book";
};

// The shared books lie beside the source tree; without them these tests skip.
class SharedBooksTest : public BookRoundTripTest {
 protected:
  void SetUp() override {
    BookRoundTripTest::SetUp();
    books_ = testing::sharedBooksFolder();
    if (books_.empty()) GTEST_SKIP() << "no shared books beside the source tree";
  }

  std::string books_;
};

TEST_F(BookRoundTripTest, SampleBook) { roundTrip(PAGORA_SAMPLE_BOOK, 6); }

TEST_F(SharedBooksTest, SqliteDocumentation) { roundTrip(books_ + "/sqlite3-doc", 958); }

// The FAQ holds its pages either as links (a git checkout, the package) or
// as small files naming their targets (a plain copy): as it is here first.
TEST_F(SharedBooksTest, DebianFaqAsShared) {
  roundTrip(books_ + "/debian-faq", filesBelow(books_ + "/debian-faq").size());
}

// In the Debian package every page of the FAQ is a symbolic link to its
// *.en.html file; the book must hold copies.
TEST_F(SharedBooksTest, DebianFaqWithItsPagesAsLinks) {
  const std::string tree = scratch_ / "debian-faq";
  testing::copyTree(books_ + "/debian-faq", tree);
  ASSERT_GE(testing::relinkStandIns(tree), 10) << "the FAQ should have its pages as links";
  roundTrip(tree, filesBelow(tree).size());
  EXPECT_EQ(readFile(scratch_ / "out/index.html"), readFile(tree + "/index.en.html"));
  EXPECT_FALSE(fs::is_symlink(scratch_ / "out/index.html"));
}

}  // namespace
}  // namespace pagora
