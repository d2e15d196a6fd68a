// What the load leaves behind when the book is damaged, incomplete or has no
// start page: its messages, the files on disk and what stays registered.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "pages/expected_about_pages.h"
#include "support/probe_book.h"

namespace pagora {
namespace {

using probe::corruptBookNotice;
using probe::storedFile;

constexpr const char* kExtractionFailed =
    "Error parsing content of E-Book.  Out of disk space, file handles or file corrupted.";

std::set<std::string> asSet(const std::vector<std::string>& items) { return {items.begin(), items.end()}; }

// Every entry of a folder tree, relative to it.
std::set<std::string> treeOf(const std::string& folder) {
  std::set<std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    entries.insert(std::filesystem::relative(entry.path(), folder).string());
  }
  return entries;
}

class LoadFailureTest : public probe::ProbeTest {
 protected:
  // Flips one byte of a book, counted from its end.
  static void damageFromEnd(const std::string& book, std::int64_t fromEnd) {
    std::string bytes = probe::readFile(book);
    bytes[bytes.size() - static_cast<std::size_t>(fromEnd)] ^= 0x01;
    probe::writeFile(book, bytes);
  }

  // Nothing made, nothing registered, no start page: the load stopped before
  // writing anything.
  void expectNothingWritten(const probe::Report& report) {
    EXPECT_TRUE(report.startPagePath.empty());
    EXPECT_TRUE(report.registeredFiles.empty());
    EXPECT_TRUE(report.registeredFolders.empty());
    EXPECT_TRUE(report.left.empty());
  }
};

TEST_F(LoadFailureTest, ProgramWithoutContainerFailsSelfParseAndMakesNoFolder) {
  const probe::Report report = run(plainProbe());
  EXPECT_EQ(report.exitStatus, 0);
  EXPECT_EQ(report.notices, std::vector<std::string>{corruptBookNotice("Self Parse Failed")});
  // The load ran once, and its empty records answer from then on.
  EXPECT_EQ(report.sameInstance, "yes");
  EXPECT_EQ(report.printAllowed, "0");
  expectNothingWritten(report);
}

TEST_F(LoadFailureTest, DamagedHeaderFailsSelfParseButKeepsTextsReadBeforeIt) {
  BookInfo info;
  info.title = "Kept Title";
  info.esbn = "damaged";
  const std::string book = makeBook(info, {storedFile("index.html", "x")});
  // The header's last byte lies just before the 8-byte string list, the file
  // table (one record of 16 bytes and the name) and the trailer.
  damageFromEnd(book, 24 + (8 + 16 + 4 + 10) + 8 + 1);
  const probe::Report report = run(book);
  EXPECT_EQ(report.notices, std::vector<std::string>{corruptBookNotice("Self Parse Failed")});
  EXPECT_EQ(report.title, "Kept Title");
  expectNothingWritten(report);
}

TEST_F(LoadFailureTest, DamagedTrailerFailsSelfParse) {
  const std::string book = makeBook(BookInfo{}, {storedFile("index.html", "x")});
  damageFromEnd(book, 1);
  const probe::Report report = run(book);
  EXPECT_EQ(report.notices, std::vector<std::string>{corruptBookNotice("Self Parse Failed")});
  expectNothingWritten(report);
}

struct CountCase {
  const char* name;
  int records;
  int declared;
  const char* message;
  friend void PrintTo(const CountCase& c, std::ostream* os) { *os << c.name; }
};

class FileCountTest : public LoadFailureTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(FileCountTest, WritesNothingAndSaysWhy) {
  std::vector<BookSource> files;
  for (int i = 0; i < GetParam().records; ++i) files.push_back(storedFile("page" + std::to_string(i) + ".html", "p"));
  const int declared = GetParam().declared;
  const std::string book =
      makeTamperedBook(BookInfo{}, files, [&](BookInfo& info, std::vector<BookFileEntry>&) { info.fileCount = declared; });
  const probe::Report report = run(book);
  EXPECT_EQ(report.notices, std::vector<std::string>{corruptBookNotice(GetParam().message)});
  expectNothingWritten(report);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, FileCountTest,
    ::testing::Values(CountCase{"NoneDeclaredEmptyTable", 0, 0, "No files in E-Book!"},
                      CountCase{"NoneDeclaredTwoRecords", 2, 0, "No files in E-Book!"},
                      CountCase{"ThreeDeclaredTwoRecords", 2, 3, "File Counts do not match!"},
                      CountCase{"OneDeclaredTwoRecords", 2, 1, "File Counts do not match!"},
                      CountCase{"NegativeDeclared", 1, -1, "File Counts do not match!"}),
    [](const ::testing::TestParamInfo<CountCase>& info) { return std::string(info.param.name); });

TEST_F(LoadFailureTest, ThirdOfFiveFailingKeepsTheFirstTwoAndWritesNoMore) {
  const std::vector<BookSource> files = {storedFile("one.html", "first"), storedFile("empty.txt", ""),
                                         storedFile("pics\\big.png", std::string(40000, 'b')),
                                         storedFile("four.html", "4"), storedFile("five.html", "5")};
  BookInfo info;
  info.esbn = "five";
  // The third file's data runs past the end of the book.
  const std::string book = makeTamperedBook(info, files, [](BookInfo&, std::vector<BookFileEntry>& entries) {
    entries[2].size = 100 * 1000 * 1000;
  });
  const std::string folder = tempDir() + "five.qvx/";

  const probe::Report kept = run(book, {"--keep"});
  EXPECT_EQ(kept.notices, std::vector<std::string>{corruptBookNotice(kExtractionFailed)});
  EXPECT_EQ(asSet(kept.registeredFiles), (std::set<std::string>{folder + "one.html", folder + "empty.txt"}));
  EXPECT_EQ(kept.registeredFolders, (std::vector<std::string>{tempDir() + "five.qvx", folder + "pics"}));
  EXPECT_TRUE(kept.startPagePath.empty());
  EXPECT_EQ(probe::readFile(folder + "one.html"), "first");
  EXPECT_EQ(probe::readFile(folder + "empty.txt"), "");
  // The file cut short is removed at once, and the rest never written; no
  // about page is built.
  EXPECT_EQ(treeOf(folder), (std::set<std::string>{"one.html", "empty.txt", "pics"}));

  std::filesystem::remove_all(folder);
  const probe::Report cleaned = run(book);
  EXPECT_EQ(cleaned.notices, kept.notices);
  EXPECT_TRUE(cleaned.left.empty());
}

TEST_F(LoadFailureTest, StartPageThatFailsToExtractIsStillNamed) {
  const std::vector<BookSource> files = {storedFile("a.html", "a"), storedFile("INDEX.HTML", "index")};
  const std::string book = makeTamperedBook(BookInfo{}, files, [](BookInfo&, std::vector<BookFileEntry>& entries) {
    entries[1].offset = 1 << 30;
  });
  const probe::Report report = run(book);
  EXPECT_EQ(report.notices, std::vector<std::string>{corruptBookNotice(kExtractionFailed)});
  EXPECT_EQ(report.startPagePath, tempDir() + ".qvx/INDEX.HTML");
  EXPECT_EQ(report.registeredFiles, std::vector<std::string>{tempDir() + ".qvx/a.html"});
  EXPECT_TRUE(report.left.empty());
}

class UnsafeNameTest : public LoadFailureTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(UnsafeNameTest, FailsAsAnExtractionAndWritesNothingForIt) {
  const std::string unsafe = GetParam();
  BookInfo info;
  info.esbn = "unsafe";
  const std::string book =
      makeTamperedBook(info, {storedFile("index.html", "i"), storedFile("placeholder", "evil"), storedFile("c.html", "c")},
                       [&](BookInfo&, std::vector<BookFileEntry>& entries) { entries[1].name = unsafe; });
  const probe::Report report = run(book, {"--keep"});
  const std::string folder = tempDir() + "unsafe.qvx/";
  EXPECT_EQ(report.notices, std::vector<std::string>{corruptBookNotice(kExtractionFailed)});
  EXPECT_EQ(report.startPagePath, folder + "index.html");
  EXPECT_EQ(report.registeredFiles, std::vector<std::string>{folder + "index.html"});
  EXPECT_EQ(treeOf(workspace()), (std::set<std::string>{"books", "books/book1", "tmp", "tmp/unsafe.qvx",
                                                        "tmp/unsafe.qvx/index.html"}));
  EXPECT_FALSE(probe::exists("/evil.html"));
}

INSTANTIATE_TEST_SUITE_P(Names, UnsafeNameTest,
                         ::testing::Values("..\\evil.html", "../evil.html", "..\\..\\evil.html",
                                           "a\\..\\..\\evil.html", "/evil.html", "\\evil.html", "C:\\evil.html",
                                           "a\\\\evil.html", ".\\evil.html", "a/./evil.html", "..", ".", "",
                                           "evil\\"));

TEST_F(LoadFailureTest, SubfoldersAreMadeInsideAndRemovedInnermostFirst) {
  BookInfo info;
  info.esbn = "sub";
  const std::string book = makeBook(info, {storedFile("index.html", "i"), storedFile("images\\cover.png", "c"),
                                           storedFile("images/deep\\er/x.png", "x"),
                                           storedFile("images\\small.png", std::string(32769, 's'))});
  const std::string folder = tempDir() + "sub.qvx/";
  const probe::Report kept = run(book, {"--keep", "--dump", "images/deep/er/x.png", "--dump", "images/small.png"});
  EXPECT_TRUE(kept.notices.empty());
  EXPECT_EQ(kept.registeredFolders, (std::vector<std::string>{tempDir() + "sub.qvx", folder + "images",
                                                              folder + "images/deep", folder + "images/deep/er"}));
  EXPECT_EQ(kept.dumps, (std::vector<std::string>{"x", std::string(32769, 's')}));
  EXPECT_EQ(asSet(kept.registeredFiles),
            (std::set<std::string>{folder + "index.html", folder + "images/cover.png",
                                   folder + "images/deep/er/x.png", folder + "images/small.png"}));
  EXPECT_EQ(probe::modeOf(folder + "images/deep"), 0700u);
  EXPECT_EQ(probe::modeOf(folder + "images/cover.png"), 0600u);

  std::filesystem::remove_all(folder);
  EXPECT_TRUE(run(book).left.empty());
}

class AboutPageTest : public probe::ProbeTest {};

TEST_F(AboutPageTest, BookWithoutIndexAndNoTextsOpensOnTheExactAboutPage) {
  const std::string book = makeBook(BookInfo{}, {storedFile("a.html", "a")});
  const probe::Report report = run(book, {"--dump", "__about.html"});
  EXPECT_EQ(report.notices, std::vector<std::string>{corruptBookNotice("Index file not found!")});
  EXPECT_EQ(report.startPagePath, tempDir() + ".qvx/__about.html");
  ASSERT_EQ(report.dumps.size(), 1u);
  EXPECT_EQ(report.dumps[0], expected::kEmptyAboutPage);
  EXPECT_EQ(asSet(report.registeredFiles), (std::set<std::string>{tempDir() + ".qvx/a.html", report.startPagePath}));
  EXPECT_TRUE(report.left.empty());
}

TEST_F(AboutPageTest, EveryTextSetGivesTheExactPageAndRebuildingRegistersItOnce) {
  BookInfo info;
  info.title = expected::kFullTitle;
  info.publisher = expected::kFullPublisher;
  info.author = expected::kFullAuthor;
  info.authorEmail = expected::kFullAuthorEmail;
  info.webAddress = expected::kFullWebAddress;
  info.contentsNotice = expected::kFullContentsNotice;
  info.esbn = expected::kFullEsbn;
  const std::string book = makeBook(info, {storedFile("page.html", "p")});
  const probe::Report report = run(book, {"--build-about", "--build-about", "--dump", "__about.html"});
  const std::string aboutPath = tempDir() + "ESBN-42.qvx/__about.html";
  EXPECT_EQ(report.notices, std::vector<std::string>{corruptBookNotice("Index file not found!")});
  EXPECT_EQ(report.startPagePath, aboutPath);
  EXPECT_EQ(report.aboutPaths, (std::vector<std::string>{aboutPath, aboutPath}));
  EXPECT_EQ(report.dumps, std::vector<std::string>{expected::kFullAboutPage});
  EXPECT_EQ(report.registeredFiles.size(), 2u);
  EXPECT_EQ(report.title, expected::kFullTitle);
  EXPECT_TRUE(report.left.empty());
}

}  // namespace
}  // namespace pagora
