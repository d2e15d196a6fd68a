// pagora-book end to end: the real binary on real files.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "container/container_reader.h"
#include "support/book_image.h"
#include "support/scratch_folder.h"
#include "tool_run.h"

namespace pagora {
namespace {

using testing::linesOf;
using testing::readFile;
using testing::runTool;
using testing::ProcessResult;
using testing::writeFile;

class PagoraBookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(viewer_, testing::kFakeViewer);
    writeFile(src_ + "/index.html", "<p>Welcome</p>");
    writeFile(src_ + "/images/cover.png", testing::patternBytes(70000));
    writeFile(src_ + "/empty.txt", "");
    ASSERT_EQ(::symlink("index.html", (src_ + "/start.html").c_str()), 0);
  }

  ProcessResult create(std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"create", src_, "-o", book_, "--viewer", viewer_};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return runTool(arguments);
  }

  // Names in the scratch folder, to see that nothing was left behind.
  std::vector<std::string> scratchEntries() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  testing::ScratchFolder scratch_;
  std::string viewer_ = scratch_ / "viewer";
  std::string src_ = scratch_ / "src";
  std::string book_ = scratch_ / "book";
};

TEST_F(PagoraBookTest, HelpAndVersionOnTheToolAndEveryCommand) {
  for (const char* command : {"", "create", "info", "list", "verify", "extract", "search"}) {
    SCOPED_TRACE(command);
    std::vector<std::string> prefix;
    if (*command != '\0') prefix.push_back(command);
    for (const char* flag : {"--help", "-h"}) {
      std::vector<std::string> arguments = prefix;
      arguments.push_back(flag);
      ProcessResult help = runTool(arguments);
      EXPECT_EQ(help.exitStatus, 0);
      EXPECT_EQ(help.out.rfind("Usage: pagora-book " + std::string(command), 0), 0u) << help.out;
      EXPECT_EQ(help.err, "");
    }
    std::vector<std::string> arguments = prefix;
    arguments.push_back("--version");
    ProcessResult version = runTool(arguments);
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out, "pagora-book " PAGORA_VERSION "\n");
  }
}

TEST_F(PagoraBookTest, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frob"},
      {"create"},
      {"create", src_},
      {"create", src_, "-o"},
      {"create", src_, src_, "-o", book_},
      {"create", src_, "-o", book_, "--bogus"},
      {"create", src_, "-o", book_, "--title", "a", "--title", "b"},
      {"create", src_, "-o", book_, "--viewer", viewer_, "--esbn", "a/b"},
      {"create", src_, "-o", book_, "--viewer", viewer_, "--esbn", ""},
      {"create", src_, "-o", book_, "--viewer", viewer_, "--start-page", "missing.html"},
      {"create", src_, "-o", book_, "--viewer", viewer_, "--start-page", "images/cover.png"},  // index.html exists
      {"create", src_, "-o", src_ + "/images/book", "--viewer", viewer_},
      {"info"},
      {"list", "a", "b"},
      {"verify"},
      {"verify", "--frob", "book"},
      {"extract", book_},
      {"search"},
      {"search", book_},
      {"search", "--frob", book_, "word"},
  };
  for (const auto& arguments : cases) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    ProcessResult run = runTool(arguments);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.err.rfind("pagora-book: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(book_));
}

TEST_F(PagoraBookTest, CreateListInfoVerifyAndExtractAgree) {
  ProcessResult created = create({"--title", "A Test", "--author", "Ada", "--author-email", "ada@example.org",
                            "--web-address", "https://www.example.org/", "--publisher", "Example Press",
                            "--contents-notice", "free\nto share", "--esbn", "test-1"});
  ASSERT_EQ(created.exitStatus, 0) << created.err;
  EXPECT_EQ(created.err, "");
  struct stat st {};
  ASSERT_EQ(::stat(book_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0755u);
  EXPECT_EQ(readFile(book_).substr(0, testing::kFakeViewer.size()), testing::kFakeViewer);

  ProcessResult list = runTool({"list", book_});
  ASSERT_EQ(list.exitStatus, 0) << list.err;
  EXPECT_EQ(linesOf(list.out), (std::vector<std::string>{"0\tempty.txt", "70000\timages\\cover.png",
                                                         "14\tindex.html", "14\tstart.html"}));

  ProcessResult info = runTool({"info", book_});
  ASSERT_EQ(info.exitStatus, 0) << info.err;
  EXPECT_EQ(linesOf(info.out), (std::vector<std::string>{
                                   "reservedText1: ", "reservedWord1: 0", "reservedWord2: 0", "esbn: test-1",
                                   "title: A Test", "author: Ada", "authorEmail: ada@example.org",
                                   "webAddress: https://www.example.org/", "publisher: Example Press",
                                   "contentsNotice: free\\nto share", "printAllowed: 1", "reservedWord3: 0",
                                   "reservedText2: ", "reservedText3: ", "fileCount: 4"}));

  ProcessResult verify = runTool({"verify", book_});
  EXPECT_EQ(verify.exitStatus, 0) << verify.err;
  EXPECT_EQ(verify.out, book_ + ": OK, 4 files\n");

  ProcessResult extract = runTool({"extract", book_, scratch_ / "out/deeper"});
  ASSERT_EQ(extract.exitStatus, 0) << extract.err;
  EXPECT_EQ(readFile(scratch_ / "out/deeper/index.html"), "<p>Welcome</p>");
  EXPECT_EQ(readFile(scratch_ / "out/deeper/start.html"), "<p>Welcome</p>");
  EXPECT_EQ(readFile(scratch_ / "out/deeper/images/cover.png"), testing::patternBytes(70000));
  EXPECT_EQ(readFile(scratch_ / "out/deeper/empty.txt"), "");
  // Written private like the viewer's, then given the author's usual modes.
  const mode_t umask = ::umask(0);
  ::umask(umask);
  EXPECT_EQ(testing::modeOf(scratch_ / "out/deeper/images"), 0777u & ~umask);
  EXPECT_EQ(testing::modeOf(scratch_ / "out/deeper/images/cover.png"), 0666u & ~umask);
  EXPECT_EQ(scratchEntries(), (std::vector<std::string>{"book", "out", "src", "viewer"}));
}

// The second run replaces the first book (flushed to disk before the
// rename, which no test can observe short of a crash).
TEST_F(PagoraBookTest, SameTreeGivesTheSameBook) {
  ASSERT_EQ(create().exitStatus, 0);
  const std::string first = readFile(book_);
  ASSERT_EQ(create().exitStatus, 0);
  EXPECT_EQ(readFile(book_), first);
  struct stat st {};
  ASSERT_EQ(::stat(book_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0755u);
  EXPECT_EQ(scratchEntries(), (std::vector<std::string>{"book", "src", "viewer"}));
}

TEST_F(PagoraBookTest, DefaultsAndPrintPermission) {
  ASSERT_EQ(create({"--no-print"}).exitStatus, 0);
  ProcessResult info = runTool({"info", book_});
  std::vector<std::string> lines = linesOf(info.out);
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines[3], "esbn: book");
  EXPECT_EQ(lines[4], "title: book");
  EXPECT_EQ(lines[10], "printAllowed: 0");

  ASSERT_EQ(create({"--title", "Über Pagora: Notes"}).exitStatus, 0);
  lines = linesOf(runTool({"info", book_}).out);
  EXPECT_EQ(lines[3], "esbn: ber-pagora-notes");
  EXPECT_EQ(lines[10], "printAllowed: 1");
}

TEST_F(PagoraBookTest, StartPageIsGeneratedForTreesWithoutOne) {
  std::filesystem::remove(src_ + "/index.html");
  std::filesystem::remove(src_ + "/start.html");
  writeFile(src_ + "/docs/first page.html", "first");
  ProcessResult withoutStart = create();
  EXPECT_EQ(withoutStart.exitStatus, 0);
  EXPECT_NE(withoutStart.err.find("warning: "), std::string::npos);
  EXPECT_NE(withoutStart.err.find("Index file not found!"), std::string::npos) << withoutStart.err;
  // verify tells exactly what the viewer will: its message, then the about page.
  ProcessResult verified = runTool({"verify", book_});
  EXPECT_EQ(verified.exitStatus, 1);
  EXPECT_EQ(verified.err, book_ + ": Index file not found!\n\nThis E-Book seems to be corrupted.\npagora-book: " +
                              book_ + ": no stored file is index.html or index.htm; the reader is shown the about page "
                              "instead\n");

  // Only a stored page may be the start page, however it is spelt.
  writeFile(src_ + "/docs/cover.png", "png");
  for (const char* refused : {"docs/cover.png", "docs/missing.html", "../docs/first page.html"}) {
    ProcessResult result = create({"--start-page", refused});
    EXPECT_EQ(result.exitStatus, 2) << refused;
    EXPECT_NE(result.err.find("--start-page"), std::string::npos) << result.err;
  }
  ProcessResult withStart = create({"--start-page", "./docs//first page.html"});
  ASSERT_EQ(withStart.exitStatus, 0) << withStart.err;
  EXPECT_EQ(withStart.err, "");
  ASSERT_EQ(runTool({"extract", book_, scratch_ / "out"}).exitStatus, 0);
  const std::string index = readFile(scratch_ / "out/index.html");
  EXPECT_NE(index.find("url=docs/first%20page.html"), std::string::npos) << index;
  EXPECT_EQ(runTool({"verify", book_}).exitStatus, 0);
}

TEST_F(PagoraBookTest, DefaultViewerIsFoundBesideTheTool) {
  const std::string toolFolder = scratch_ / "tool";
  std::filesystem::create_directories(toolFolder);
  std::filesystem::copy_file(PAGORA_BOOK_BINARY, toolFolder + "/pagora-book");
  const std::vector<std::string> arguments = {"create", src_, "-o", book_};

  ProcessResult missing = runTool(arguments, toolFolder + "/pagora-book");
  EXPECT_EQ(missing.exitStatus, 1);
  EXPECT_NE(missing.err.find(toolFolder + "/pagora: "), std::string::npos) << missing.err;
  EXPECT_NE(missing.err.find("--viewer"), std::string::npos) << missing.err;

  writeFile(toolFolder + "/pagora", "the viewer beside the tool\n");
  ProcessResult found = runTool(arguments, toolFolder + "/pagora-book");
  ASSERT_EQ(found.exitStatus, 0) << found.err;
  EXPECT_EQ(readFile(book_).rfind("the viewer beside the tool\n", 0), 0u);
}

TEST_F(PagoraBookTest, FailureLeavesAnEarlierBookAndNoPartialFile) {
  writeFile(book_, "an earlier book");
  struct Case {
    const char* what;
    std::vector<std::string> arguments;
    std::string named;  // the path the message names
  };
  const Case cases[] = {
      {"missing viewer", {"create", src_, "-o", book_, "--viewer", scratch_ / "no-viewer"}, scratch_ / "no-viewer"},
      {"missing source", {"create", scratch_ / "no-src", "-o", book_, "--viewer", viewer_}, scratch_ / "no-src"},
      {"output folder missing", {"create", src_, "-o", scratch_ / "no-folder/book", "--viewer", viewer_},
       scratch_ / "no-folder/book"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProcessResult run = runTool(c.arguments);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err.rfind("pagora-book: " + c.named + ": ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("No such file or directory"), std::string::npos) << run.err;
    EXPECT_EQ(readFile(book_), "an earlier book");
    EXPECT_EQ(scratchEntries(), (std::vector<std::string>{"book", "src", "viewer"}));
  }
}

TEST_F(PagoraBookTest, RefusesTreesItCannotStore) {
  writeFile(src_ + "/images/back\\slash.png", "x");
  ProcessResult run = create();
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find(src_ + "/images/back\\slash.png: its name holds '\\'"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(book_));

  testing::ScratchFolder empty;
  ::mkdir((empty / "nothing").c_str(), 0700);
  ProcessResult nothing = runTool({"create", empty.path(), "-o", book_, "--viewer", viewer_});
  EXPECT_EQ(nothing.exitStatus, 1);
  EXPECT_NE(nothing.err.find("no files to pack"), std::string::npos) << nothing.err;
}

TEST_F(PagoraBookTest, RefusesABookPastTwoGibibytesBeforeWritingIt) {
  {
    platform::File huge = platform::File::create(src_ + "/huge.bin", 0600);
    ASSERT_EQ(::ftruncate(huge.descriptor(), off_t{1} << 31), 0);  // sparse: takes no room
  }
  ProcessResult run = create();
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.err.rfind("pagora-book: " + book_ + ": the book would take ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("2147483647 bytes"), std::string::npos) << run.err;
  EXPECT_EQ(scratchEntries(), (std::vector<std::string>{"src", "viewer"}));
}

TEST_F(PagoraBookTest, RefusesAnUnreadableFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads files whatever their mode";
  ::chmod((src_ + "/index.html").c_str(), 0);
  ProcessResult run = create();
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.err, "pagora-book: " + src_ + "/index.html: Permission denied\n");
  EXPECT_EQ(scratchEntries(), (std::vector<std::string>{"src", "viewer"}));
}

TEST_F(PagoraBookTest, LinksLeadingOutsideAreLeftOutWithAWarning) {
  writeFile(scratch_ / "secret.txt", "secret");
  ASSERT_EQ(::symlink((scratch_ / "secret.txt").c_str(), (src_ + "/secret.txt").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", (src_ + "/broken.html").c_str()), 0);
  ProcessResult run = create();
  ASSERT_EQ(run.exitStatus, 0);
  EXPECT_NE(run.err.find("warning: left out the symbolic link " + src_ + "/secret.txt"), std::string::npos);
  EXPECT_NE(run.err.find("warning: left out the broken symbolic link " + src_ + "/broken.html"), std::string::npos);
  EXPECT_EQ(runTool({"list", book_}).out.find("secret"), std::string::npos);
}

TEST_F(PagoraBookTest, MissingBookNamesTheSystemsReason) {
  for (const char* command : {"info", "list", "verify", "extract"}) {
    std::vector<std::string> arguments = {command, scratch_ / "missing"};
    if (std::string(command) == "extract") arguments.push_back(scratch_ / "out");
    ProcessResult run = runTool(arguments);
    EXPECT_EQ(run.exitStatus, 1) << command;
    EXPECT_EQ(run.err, "pagora-book: " + scratch_ / "missing" + ": No such file or directory\n") << command;
  }
}

TEST_F(PagoraBookTest, ExtractNeverWritesThroughALink) {
  ASSERT_EQ(create().exitStatus, 0);
  const std::string out = scratch_ / "out";
  std::filesystem::create_directories(scratch_ / "elsewhere");
  std::filesystem::create_directories(out);
  ASSERT_EQ(::symlink((scratch_ / "elsewhere").c_str(), (out + "/images").c_str()), 0);
  ProcessResult run = runTool({"extract", book_, out});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find(out + "/images: "), std::string::npos) << run.err;
  EXPECT_TRUE(std::filesystem::is_empty(scratch_ / "elsewhere"));

  std::filesystem::remove(out + "/images");
  writeFile(scratch_ / "victim", "untouched");
  ASSERT_EQ(::symlink((scratch_ / "victim").c_str(), (out + "/index.html").c_str()), 0);
  run = runTool({"extract", book_, out});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find(out + "/index.html: "), std::string::npos) << run.err;
  EXPECT_EQ(readFile(scratch_ / "victim"), "untouched");
}

}  // namespace
}  // namespace pagora
