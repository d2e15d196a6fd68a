// Real documentation trees packed, checked and unpacked again byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "container/container_reader.h"
#include "support/book_builder.h"
#include "support/scratch_folder.h"
#include "tool_runner.h"

namespace pagora {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::runTool;
using testing::ToolRun;

const std::string kBooks = PAGORA_SHARED_DIR "/books";

// Every file below `root` (links followed), as paths relative to it.
std::vector<std::string> filesBelow(const std::string& root) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root, fs::directory_options::follow_directory_symlink)) {
    if (entry.is_regular_file()) files.push_back(entry.path().lexically_relative(root).string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Copies a tree, links as links; the copy's folders are writable whatever the
// source's modes (the shared books are read-only).
void copyTree(const std::string& from, const std::string& to) {
  fs::create_directories(to);
  for (const auto& entry : fs::recursive_directory_iterator(from)) {
    const fs::path target = to / entry.path().lexically_relative(from);
    if (entry.is_symlink()) {
      fs::copy_symlink(entry.path(), target);
    } else if (entry.is_directory()) {
      fs::create_directories(target);
    } else {
      fs::copy_file(entry.path(), target);
    }
  }
}

class BookRoundTripTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::writeFile(viewer_, testing::kFakeViewer); }

  // Packs `tree`, checks the book as the viewer would, extracts it and
  // compares every file with its source.
  void roundTrip(const std::string& tree, std::size_t expectedFiles) {
    ToolRun created = runTool({"create", tree, "-o", book_, "--viewer", viewer_, "--title", "Round trip"});
    ASSERT_EQ(created.status, 0) << created.err;

    ContainerReader reader(book_);
    BookInfo info;
    BookFileTable table;
    ContainerTrailer trailer;
    ASSERT_TRUE(reader.parse(info, table, trailer));
    EXPECT_EQ(static_cast<std::size_t>(table.count()), expectedFiles);
    EXPECT_EQ(info.fileCount, table.count());
    EXPECT_EQ(testing::linesOf(runTool({"list", book_}).out).size(), expectedFiles);

    ToolRun verified = runTool({"verify", book_});
    EXPECT_EQ(verified.status, 0) << verified.err;

    const std::string out = scratch_ / "out";
    ToolRun extracted = runTool({"extract", book_, out});
    ASSERT_EQ(extracted.status, 0) << extracted.err;
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
    if (!fs::is_directory(kBooks)) GTEST_SKIP() << "no shared books at " << kBooks;
  }
};

TEST_F(BookRoundTripTest, SampleBook) { roundTrip(PAGORA_SAMPLE_BOOK, 6); }

TEST_F(SharedBooksTest, SqliteDocumentation) { roundTrip(kBooks + "/sqlite3-doc", 958); }

TEST_F(SharedBooksTest, DebianFaqAsShared) { roundTrip(kBooks + "/debian-faq", filesBelow(kBooks + "/debian-faq").size()); }

// In the Debian package every page of the FAQ is a symbolic link to its
// *.en.html file. A copied tree may hold those links as small files naming
// the target; they are made links again here, and the book must hold copies.
TEST_F(SharedBooksTest, DebianFaqWithItsPagesAsLinks) {
  const std::string tree = scratch_ / "debian-faq";
  copyTree(kBooks + "/debian-faq", tree);
  int links = 0;
  for (const auto& entry : fs::recursive_directory_iterator(tree)) {
    if (entry.is_symlink()) {
      ++links;
      continue;
    }
    if (!entry.is_regular_file() || entry.file_size() > 100) continue;
    const std::string target = readFile(entry.path().string());
    if (target.find('/') != std::string::npos || !fs::is_regular_file(entry.path().parent_path() / target)) continue;
    fs::remove(entry.path());
    fs::create_symlink(target, entry.path());
    ++links;
  }
  ASSERT_GE(links, 10) << "the FAQ should have its pages as links";
  roundTrip(tree, filesBelow(tree).size());
  EXPECT_EQ(readFile(scratch_ / "out/index.html"), readFile(tree + "/index.en.html"));
  EXPECT_FALSE(fs::is_symlink(scratch_ / "out/index.html"));
}

}  // namespace
}  // namespace pagora
