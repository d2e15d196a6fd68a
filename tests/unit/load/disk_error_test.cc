// Writes that fail: a file that cannot be created, a disk that fills up part
// way, and a private folder that cannot be made, asked for again and again.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pages/expected_about_pages.h"
#include "support/probe_book.h"

namespace pagora {
namespace {

using probe::corruptBookNotice;
using probe::storedFile;

const std::string kDiskError = "warning Disk error - out of space ?";
const std::string kIndexNotFound = corruptBookNotice("Index file not found!");

class DiskErrorTest : public probe::ProbeTest {};

TEST_F(DiskErrorTest, AboutPageThatCannotBeCreatedIsStillTheStartPage) {
  // The book's own folder named "__about.html" stands where the page would go.
  const std::string book = makeBook(BookInfo{}, {storedFile("__about.html\\note.txt", "n")});
  const probe::Report report = run(book);
  EXPECT_EQ(report.notices, (std::vector<std::string>{kIndexNotFound, kDiskError}));
  EXPECT_EQ(report.startPagePath, tempDir() + ".qvx/__about.html");
  EXPECT_EQ(report.registeredFiles, std::vector<std::string>{tempDir() + ".qvx/__about.html/note.txt"});
  EXPECT_TRUE(report.left.empty());
}

TEST_F(DiskErrorTest, AboutPageCutShortStaysRegisteredAndIsRemovedAtExit) {
  const std::string book = makeBook(BookInfo{}, {storedFile("a.html", "small")});
  const probe::Report report = run(book, {"--file-size-limit", "1000", "--dump", "__about.html"});
  EXPECT_EQ(report.notices, (std::vector<std::string>{kIndexNotFound, kDiskError}));
  EXPECT_EQ(report.dumps, std::vector<std::string>{expected::kEmptyAboutPage.substr(0, 1000)});
  EXPECT_EQ(report.registeredFiles.size(), 2u);
  EXPECT_TRUE(report.left.empty());
}

TEST_F(DiskErrorTest, StoredFileCutShortByAFullDiskIsRemovedAtOnce) {
  const std::string book =
      makeBook(BookInfo{}, {storedFile("index.html", "i"), storedFile("big.bin", std::string(5000, 'b')),
                            storedFile("after.html", "a")});
  const probe::Report report = run(book, {"--keep", "--file-size-limit", "1000"});
  EXPECT_EQ(report.notices, std::vector<std::string>{corruptBookNotice(
                                "Error parsing content of E-Book.  Out of disk space, file handles or file corrupted.")});
  EXPECT_EQ(report.registeredFiles, std::vector<std::string>{tempDir() + ".qvx/index.html"});
  EXPECT_EQ(report.left, (std::vector<std::string>{".qvx", ".qvx/index.html"}));
}

TEST_F(DiskErrorTest, FolderThatCannotBeMadeIsTriedAgainOnEveryRequest) {
  ASSERT_EQ(::symlink("/", (tempDir() + "retry.qvx").c_str()), 0);
  BookInfo info;
  info.esbn = "retry";
  const probe::Report report = run(makeBook(info, {storedFile("index.html", "i")}), {"--build-about"});
  const std::string folderRefused = "warning Not enough disk space or other file error!";
  EXPECT_EQ(report.notices,
            (std::vector<std::string>{
                folderRefused,
                corruptBookNotice("Error parsing content of E-Book.  Out of disk space, file handles or file corrupted."),
                folderRefused, kDiskError}));
  EXPECT_TRUE(report.registeredFiles.empty());
  EXPECT_FALSE(probe::exists("/__about.html"));
  EXPECT_FALSE(probe::exists("/index.html"));
}

}  // namespace
}  // namespace pagora
