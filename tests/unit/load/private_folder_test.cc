// Where the private folder goes and when it is refused: a folder that is a
// link, a file, someone else's or open to others, or an esbn that would put
// it outside the temporary directory, is a folder that cannot be made.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/probe_book.h"

namespace pagora {
namespace {

using probe::corruptBookNotice;
using probe::storedFile;

const std::string kFolderRefused = "warning Not enough disk space or other file error!";
const std::string kExtractionFailed = corruptBookNotice(
    "Error parsing content of E-Book.  Out of disk space, file handles or file corrupted.");

class PrivateFolderTest : public probe::ProbeTest {
 protected:
  std::string bookWithEsbn(const std::string& esbn) {
    BookInfo info;
    info.esbn = esbn;
    return makeBook(info, {storedFile("index.html", "<P>index"), storedFile("b.html", "b")});
  }

  // The load stopped at its first file: the folder's message, then the
  // extraction's; nothing written, nothing registered.
  static void expectRefused(const probe::Report& report) {
    EXPECT_EQ(report.notices, (std::vector<std::string>{kFolderRefused, kExtractionFailed}));
    EXPECT_TRUE(report.registeredFiles.empty());
    EXPECT_TRUE(report.registeredFolders.empty());
  }
};

TEST_F(PrivateFolderTest, IsMadePrivateAndRemovedWithEverythingInIt) {
  const std::string book = bookWithEsbn("plain");
  const std::string folder = tempDir() + "plain.qvx/";
  const probe::Report kept = run(book, {"--keep"});
  EXPECT_TRUE(kept.notices.empty());
  EXPECT_EQ(kept.startPagePath, folder + "index.html");
  EXPECT_EQ(kept.registeredFolders, std::vector<std::string>{tempDir() + "plain.qvx"});
  EXPECT_EQ(probe::modeOf(folder), 0700u);
  EXPECT_EQ(probe::modeOf(folder + "index.html"), 0600u);
  EXPECT_EQ(probe::readFile(folder + "index.html"), "<P>index");
  EXPECT_EQ(kept.cwdBefore, kept.cwdAfter);

  std::filesystem::remove_all(folder);
  const probe::Report cleaned = run(book);
  EXPECT_EQ(cleaned.cwdBefore, cleaned.cwdAfter);
  EXPECT_TRUE(cleaned.left.empty());
}

TEST_F(PrivateFolderTest, EmptyEsbnGivesDotQvxInTheTemporaryDirectory) {
  const probe::Report report = run(bookWithEsbn(""));
  EXPECT_TRUE(report.notices.empty());
  EXPECT_EQ(report.startPagePath, tempDir() + ".qvx/index.html");
  EXPECT_EQ(report.registeredFolders, std::vector<std::string>{tempDir() + ".qvx"});
  EXPECT_TRUE(report.left.empty());
}

TEST_F(PrivateFolderTest, EsbnWithSeparatorsGivesNestedFoldersRemovedInnermostFirst) {
  const probe::Report report = run(bookWithEsbn("outer\\middle/inner"));
  EXPECT_TRUE(report.notices.empty());
  EXPECT_EQ(report.privateFolder, tempDir() + "outer/middle/inner.qvx/");
  EXPECT_EQ(report.startPagePath, tempDir() + "outer/middle/inner.qvx/index.html");
  EXPECT_EQ(report.registeredFolders, (std::vector<std::string>{tempDir() + "outer", tempDir() + "outer/middle",
                                                                tempDir() + "outer/middle/inner.qvx"}));
  EXPECT_TRUE(report.left.empty());
}

TEST_F(PrivateFolderTest, MissingTemporaryDirectoryIsNotMade) {
  const std::string book = bookWithEsbn("nowhere");
  ASSERT_EQ(::rmdir(tempDir().c_str()), 0);
  const probe::Report report = run(book);
  expectRefused(report);
  EXPECT_FALSE(probe::exists(tempDir()));
}

TEST_F(PrivateFolderTest, ExistingPrivateFolderIsUsedAndLeftWithWhatTheViewerDidNotWrite) {
  const std::string folder = tempDir() + "left.qvx/";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  probe::writeFile(folder + "earlier.txt", "from an earlier run");
  probe::writeFile(folder + "b.html", "stale");
  const probe::Report report = run(bookWithEsbn("left"));
  EXPECT_TRUE(report.notices.empty());
  EXPECT_TRUE(report.registeredFolders.empty());
  EXPECT_EQ(report.left, (std::vector<std::string>{"left.qvx", "left.qvx/earlier.txt"}));
}

struct PlantCase {
  const char* name;
  void (*plant)(const std::string& path, const std::string& workspace);
  friend void PrintTo(const PlantCase& c, std::ostream* os) { *os << c.name; }
};

class PlantedFolderTest : public PrivateFolderTest, public ::testing::WithParamInterface<PlantCase> {};

TEST_P(PlantedFolderTest, IsRefusedAndNothingIsWrittenThroughIt) {
  const std::string planted = tempDir() + "planted.qvx";
  const std::string target = workspace() + "target";
  ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
  GetParam().plant(planted, workspace());
  const probe::Report report = run(bookWithEsbn("planted"));
  expectRefused(report);
  EXPECT_EQ(report.startPagePath, planted + "/index.html");
  EXPECT_TRUE(std::filesystem::is_empty(target));
  EXPECT_FALSE(probe::exists(planted + "/index.html"));
  EXPECT_EQ(report.left.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Plants, PlantedFolderTest,
    ::testing::Values(
        PlantCase{"LinkToFolder",
                  [](const std::string& path, const std::string& ws) {
                    ASSERT_EQ(::symlink((ws + "target").c_str(), path.c_str()), 0);
                  }},
        PlantCase{"DanglingLink",
                  [](const std::string& path, const std::string& ws) {
                    ASSERT_EQ(::symlink((ws + "target/missing").c_str(), path.c_str()), 0);
                  }},
        PlantCase{"RegularFile", [](const std::string& path, const std::string&) { probe::writeFile(path, "x"); }},
        PlantCase{"WritableByGroup",
                  [](const std::string& path, const std::string&) {
                    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
                    ASSERT_EQ(::chmod(path.c_str(), 0770), 0);
                  }},
        PlantCase{"WritableByAll",
                  [](const std::string& path, const std::string&) {
                    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
                    ASSERT_EQ(::chmod(path.c_str(), 01777), 0);
                  }}),
    [](const ::testing::TestParamInfo<PlantCase>& info) { return std::string(info.param.name); });

TEST_F(PrivateFolderTest, FolderOwnedByAnotherUserIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
  const std::string planted = tempDir() + "foreign.qvx";
  ASSERT_EQ(::mkdir(planted.c_str(), 0700), 0);
  ASSERT_EQ(::chown(planted.c_str(), 65534, 65534), 0);  // nobody
  const probe::Report report = run(bookWithEsbn("foreign"));
  expectRefused(report);
  EXPECT_TRUE(std::filesystem::is_empty(planted));
}

TEST_F(PrivateFolderTest, OuterEsbnFolderOpenToOthersIsRefused) {
  const std::string outer = tempDir() + "shared";
  ASSERT_EQ(::mkdir(outer.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(outer.c_str(), 0777), 0);
  const probe::Report report = run(bookWithEsbn("shared\\book"));
  expectRefused(report);
  EXPECT_TRUE(std::filesystem::is_empty(outer));
}

class EsbnOutsideTest : public PrivateFolderTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(EsbnOutsideTest, IsRefusedAndNothingIsMadeAnywhere) {
  const probe::Report report = run(bookWithEsbn(GetParam()));
  expectRefused(report);
  EXPECT_TRUE(report.left.empty());
  EXPECT_TRUE(std::filesystem::is_empty(tempDir()));
  std::set<std::string> workspaceEntries;
  for (const auto& entry : std::filesystem::directory_iterator(workspace())) {
    workspaceEntries.insert(entry.path().filename().string());
  }
  EXPECT_EQ(workspaceEntries, (std::set<std::string>{"books", "tmp"}));
  EXPECT_FALSE(probe::exists("/tmp/x.qvx"));
}

INSTANTIATE_TEST_SUITE_P(Esbns, EsbnOutsideTest,
                         ::testing::Values("..\\escape", "../escape", "a\\..\\..\\escape", "\\abs", "/abs",
                                           "a\\\\b", "a\\.\\b", ".\\b", "..\\..\\..\\..\\..\\..\\..\\tmp\\x"));

}  // namespace
}  // namespace pagora
