// The order in which the load writes a book's files (the start page and what
// it has fetched first), the checks that let it choose that order, files
// asked for out of turn, and the rest written on a thread of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contained_load.h"
#include "session/book_session.h"
#include "session/stored_paths.h"
#include "support/book_image.h"
#include "support/printers.h"
#include "support/wait_until.h"

namespace pagora::testing {
namespace {

using Paths = std::vector<std::string>;
using Entries = std::vector<BookFileEntry>;

class WrittenOrder : public LoadListener {
 public:
  void extractionStarting(const std::string& privateFolder) override { folder_ = privateFolder; }
  void fileWritten(const std::string& path) override { paths.push_back(path.substr(folder_.size())); }
  Paths paths;

 private:
  std::string folder_;
};

// Waits, with a deadline, for the writing threads to say it has ended.
class EndOfWriting {
 public:
  BackgroundWriting::Events events() {
    return {.finished = [this] { end("finished"); }, .failed = [this] { end("failed"); }};
  }
  std::string wait() {
    std::unique_lock lock(mutex_);
    ended_.wait_for(lock, std::chrono::seconds(60), [this] { return !how_.empty(); });
    return how_.empty() ? "still writing after 60 s" : how_;
  }
  // How often the end was told: once, whichever lane ends the writing.
  int timesTold() {
    const std::lock_guard lock(mutex_);
    return told_;
  }

 private:
  void end(const char* how) {
    const std::lock_guard lock(mutex_);
    how_ = how;
    ++told_;
    ended_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable ended_;
  std::string how_;
  int told_ = 0;
};

class WriteOrderTest : public ::testing::Test {
 protected:
  std::string book(const std::vector<TestFile>& files, const RecordEdit& edit = {}) {
    BookRecipe recipe;
    recipe.info = BookInfo{};
    recipe.info.esbn = "order";
    recipe.files = files;
    recipe.editRecords = edit;
    const std::string path = workspace_.book("book" + std::to_string(++books_));
    BookImage::build(recipe).writeTo(path);
    return path;
  }
  std::unique_ptr<BookSession> session(const std::string& bookPath) {
    workspace_.emptyTemp();
    return std::make_unique<BookSession>(SessionOptions{.bookPath = bookPath, .temporaryDirectory = workspace_.temp(),
                                                        .watchForCrash = false, .watcherLockFolder = {},
                                                        .sandboxRuntimeFolder = {}});
  }
  std::string folder() const { return workspace_.temp() + "order.qvx/"; }

  LoadWorkspace workspace_;
  int books_ = 0;
};

TEST_F(WriteOrderTest, StartPageAndWhatItHasFetchedComeFirstThenTheRestAsStored) {
  struct Case {
    const char* what;
    std::vector<TestFile> files;
    Paths order;
    RecordEdit edit = {};
  };
  const Case cases[] = {
      {"a start page that fetches nothing",
       {{"a.html", "a"}, {"b.css", "b"}, {"index.html", "<p>start"}, {"z.png", "z"}},
       {"index.html", "a.html", "b.css", "z.png"}},
      {"what it fetches in the order it names it; a page it links to waits its turn",
       {{"a.html", "a"},
        {"img\\logo.png", "l"},
        {"index.html", R"(<link rel="stylesheet" href="style/main.css"><a href="a.html">a</a>)"
                       R"(<img src="img/logo.png"><script src="js/app.js"></script>)"},
        {"js\\app.js", "j"},
        {"style\\main.css", "m"},
        {"z.txt", "z"}},
       {"index.html", "style/main.css", "img/logo.png", "js/app.js", "a.html", "z.txt"}},
      {"frames and style sheets are followed",
       {{"bg.png", "b"},
        {"body.css", "@import 'more.css'; body { background: url(bg.png) }"},
        {"body.html", R"(<link rel="stylesheet" href="body.css">)"},
        {"index.html", R"(<frameset><frame src="toc.html"><frame src="body.html"></frameset>)"},
        {"more.css", "p { color: red }"},
        {"toc.html", R"(<img src="toc.png">)"},
        {"toc.png", "t"},
        {"unused.png", "u"}},
       {"index.html", "toc.html", "body.html", "toc.png", "body.css", "more.css", "bg.png", "unused.png"}},
      {"addresses that name no stored file",
       {{"a.png", "a"},
        {"index.html", R"(<img src="http://example.org/a.png"><img src="/a.png"><img src="../a.png">)"
                       R"(<img src="missing.png"><img src="data:image/png;base64,AAAA"><a href="#top">)"}},
       {"index.html", "a.png"}},
      {"a file stored twice comes with both its entries, in stored order",
       {{"s.css", "first"}, {"index.html", R"(<link rel="stylesheet" href="s.css">)"}, {"a.txt", "a"},
        {"s.css", "second"}},
       {"index.html", "s.css", "s.css", "a.txt"}},
      {"a book without a start page is written as stored", {{"b.html", "b"}, {"a.html", "a"}}, {"b.html", "a.html"}},
      {"a book that fails a check is written as stored up to the entry that fails",
       {{"a.html", "a"}, {"index.html", R"(<img src="z.png">)"}, {"bad.png", "b"}, {"z.png", "z"}},
       {"a.html", "index.html"}, [](BookInfo&, Entries& e) { e[2].size = 1 << 30; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto loaded = session(book(c.files, c.edit));
    WrittenOrder listener;
    loaded->load(&listener);
    EXPECT_EQ(listener.paths, c.order);
  }
  auto twice = session(book(cases[4].files));
  twice->load();
  EXPECT_EQ(readFile(folder() + "s.css"), "second") << "the later entry's bytes stay, as in stored order";
}

TEST_F(WriteOrderTest, EveryEntryIsCheckedBeforeAnyIsWritten) {
  struct Case {
    const char* what;
    std::vector<std::string> names;
    int unwritable;
    std::int32_t pastTheEnd = -1;  // the entry whose data lies past the book's end
  };
  std::string deep;
  for (int i = 0; i < PATH_MAX / 2; ++i) deep += "d\\";
  const Case cases[] = {
      {"a sound book", {"index.html", "a\\b.png", "a/c.png", "a\\d\\e.png", "f.png"}, -1},
      {"a name stored twice, with either separator", {"a\\b.png", "index.html", "a/b.png"}, -1},
      {"a name that could leave the folder", {"index.html", "a.png", "..\\escape.png"}, 2},
      {"data past the end of the book", {"index.html", "a.png", "b.png"}, 1, 1},
      {"a file named as a folder made before", {"a\\b.png", "a"}, 1},
      {"a folder named as a file written before", {"index.html", "a", "a\\b.png"}, 2},
      {"an outer folder named as a file written before", {"x\\y", "x\\y\\z\\w.png"}, 1},
      {"a file named as an outer folder made before", {"x\\y\\z\\w.png", "x\\y"}, 1},
      {"a path longer than the system takes", {"index.html", deep + "x.png"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ParsedBook book;
    for (std::size_t i = 0; i < c.names.size(); ++i) {
      const bool pastTheEnd = static_cast<int>(i) == c.pastTheEnd;
      book.fileTable.append({c.names[i], 0, static_cast<std::int32_t>(10 * i), pastTheEnd ? 5000 : 10});
    }
    const StoredPaths paths(book.fileTable);
    EXPECT_EQ(firstUnwritableEntry(book, paths, 1000, "/tmp/order.qvx/"), c.unwritable);
  }
}

TEST_F(WriteOrderTest, FileAskedForOutOfTurnComesNextWithWhatItFetches) {
  auto loaded = session(book({{"index.html", "start"}, {"one.html", "1"}, {"two.html", "2"},
                              {"last.html", R"(<img src="pic.png">)"}, {"pic.png", "p"}}));
  WrittenOrder listener;
  ASSERT_TRUE(loaded->load(&listener, LoadWrites::StartPageFirst).succeeded());
  EXPECT_EQ(listener.paths, Paths{"index.html"}) << "the rest is left for later";
  EXPECT_TRUE(loaded->whenWritten(folder() + "index.html", [] { FAIL() << "written already"; }));
  EXPECT_TRUE(loaded->whenWritten(folder() + "missing.html", [] { FAIL() << "nothing to wait for"; }));
  EXPECT_TRUE(loaded->whenWritten(workspace_.outside() + "victim.html", [] { FAIL() << "not the book's"; }));

  int lastReady = 0;
  int allReady = 0;
  EXPECT_FALSE(loaded->whenWritten(folder() + "last.html", [&] { ++lastReady; }));
  EXPECT_FALSE(loaded->whenAllWritten([&] { ++allReady; }));
  ASSERT_TRUE(loaded->writeNextFile());
  EXPECT_TRUE(exists(folder() + "last.html"));
  EXPECT_EQ(lastReady, 0) << "its picture is not written yet";
  ASSERT_TRUE(loaded->writeNextFile());
  EXPECT_TRUE(exists(folder() + "pic.png"));
  EXPECT_FALSE(exists(folder() + "one.html"));
  EXPECT_EQ(lastReady, 1);
  ASSERT_TRUE(loaded->writeNextFile());
  ASSERT_TRUE(loaded->writeNextFile());
  EXPECT_EQ(allReady, 1);
  EXPECT_FALSE(loaded->writeNextFile()) << "nothing is left";
  EXPECT_EQ(loaded->registry().filesInRemovalOrder().size(), 5u);
  EXPECT_EQ(lastReady, 1);
  EXPECT_EQ(allReady, 1);
}

TEST_F(WriteOrderTest, RestWrittenBehindTheLoadIsWhatTheWholeLoadWrites) {
  // Two lanes write the rest, from either end of the order; a name stored
  // twice, once in either lane's half, is written in stored order all the same.
  std::vector<TestFile> files = {{"index.html", R"(<img src="pics0/p0007.png">)"}};
  for (int i = 0; i < 300; ++i) {
    if (i == 100) files.push_back({"notes\\twice.txt", "first"});
    if (i == 250) files.push_back({"notes\\twice.txt", "second"});
    files.push_back({"pics" + std::to_string(i / 100) + "\\p" + std::string(4 - std::to_string(i).size(), '0') +
                         std::to_string(i) + ".png",
                     patternBytes(static_cast<std::size_t>(i * 37), static_cast<std::uint32_t>(i))});
  }
  const std::string path = book(files);
  std::set<std::string> whole;
  std::vector<std::string> folders;
  std::size_t recorded = 0;
  {
    auto loaded = session(path);
    ASSERT_TRUE(loaded->load().succeeded());
    whole = treeOf(workspace_.temp());
    folders = loaded->registry().createdFolders();
    recorded = loaded->registry().filesInRemovalOrder().size();
  }
  std::sort(folders.begin(), folders.end());
  for (int run = 0; run < 5; ++run) {
    SCOPED_TRACE(::testing::Message() << "run " << run);
    auto loaded = session(path);
    ASSERT_TRUE(loaded->load(nullptr, LoadWrites::StartPageFirst).succeeded());
    EXPECT_EQ(treeOf(workspace_.temp()), (std::set<std::string>{"order.qvx", "order.qvx/index.html",
                                                                 "order.qvx/pics0", "order.qvx/pics0/p0007.png"}));
    EndOfWriting end;
    ASSERT_TRUE(loaded->writeRemainingFiles(end.events()));
    EXPECT_EQ(end.wait(), "finished");
    EXPECT_EQ(treeOf(workspace_.temp()), whole);
    EXPECT_EQ(loaded->registry().filesInRemovalOrder().size(), recorded);
    std::vector<std::string> made = loaded->registry().createdFolders();
    std::sort(made.begin(), made.end());
    EXPECT_EQ(made, folders) << "each folder recorded once, whichever lane made it";
    EXPECT_EQ(readFile(folder() + "notes/twice.txt"), "second");
    EXPECT_EQ(readFile(folder() + "pics2/p0299.png"), files.back().bytes);
    EXPECT_FALSE(loaded->writeRemainingFiles(end.events())) << "nothing is left";
    loaded.reset();
    EXPECT_TRUE(treeOf(workspace_.temp()).empty());
    EXPECT_EQ(end.timesTold(), 1);
  }
}

TEST_F(WriteOrderTest, HeldBackRestWaitsButWhatIsAskedForComesAtOnce) {
  auto loaded = session(book({{"index.html", "start"}, {"one.html", "1"}, {"asked.html", "a"}, {"two.html", "2"}}));
  ASSERT_TRUE(loaded->load(nullptr, LoadWrites::StartPageFirst).succeeded());
  loaded->holdBackWriting(std::chrono::minutes(5));
  EndOfWriting end;
  ASSERT_TRUE(loaded->writeRemainingFiles(end.events()));

  std::mutex mutex;
  std::condition_variable written;
  bool asked = false;
  ASSERT_FALSE(loaded->whenWritten(folder() + "asked.html", [&] {
    const std::lock_guard lock(mutex);
    asked = true;
    written.notify_all();
  }));
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(written.wait_for(lock, std::chrono::seconds(60), [&] { return asked; }));
  }
  EXPECT_TRUE(exists(folder() + "asked.html"));
  EXPECT_FALSE(exists(folder() + "one.html")) << "the rest waits while held back";
  loaded->releaseWriting();
  EXPECT_EQ(end.wait(), "finished");
  EXPECT_TRUE(exists(folder() + "one.html"));
  EXPECT_TRUE(exists(folder() + "two.html"));
}

TEST_F(WriteOrderTest, HeldBackRestWritesWhatItMayAheadThenWaits) {
  // Four files of 10 bytes after the start page, in stored order.
  const std::string path = book({{"index.html", "start"}, {"a.html", "0123456789"}, {"b.html", "0123456789"},
                                 {"c.html", "0123456789"}, {"d.html", "0123456789"}});
  struct Case {
    WriteAllowance ahead;
    std::vector<std::string> written;  // before the hold holds
  };
  const std::vector<Case> cases = {
      {{.files = 2, .bytes = 1 << 20}, {"a.html", "b.html"}},
      {{.files = 10, .bytes = 15}, {"a.html", "b.html"}},  // the file that crosses the bytes is written
      {{.files = 10, .bytes = 10}, {"a.html"}},
      {{.files = 0, .bytes = 1 << 20}, {}},
      {{.files = 3, .bytes = 0}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.ahead.files << " files, " << c.ahead.bytes << " bytes");
    auto loaded = session(path);
    ASSERT_TRUE(loaded->load(nullptr, LoadWrites::StartPageFirst).succeeded());
    loaded->holdBackWriting(std::chrono::minutes(5), c.ahead);
    int told = 0;
    ASSERT_FALSE(loaded->whenAllWritten([&] { ++told; }, BookWriter::Urgency::InTurn));
    EndOfWriting end;
    ASSERT_TRUE(loaded->writeRemainingFiles(end.events()));
    for (const std::string& name : c.written) {
      EXPECT_TRUE(waitUntil([&] { return exists(folder() + name); })) << name;
    }
    for (const std::string name : {"a.html", "b.html", "c.html", "d.html"}) {
      if (std::find(c.written.begin(), c.written.end(), name) == c.written.end()) {
        EXPECT_FALSE(exists(folder() + name)) << name << " waits: asking only to be told ends no hold";
      }
    }
    int hurried = 0;
    EXPECT_FALSE(loaded->whenAllWritten([&] { ++hurried; }));
    EXPECT_EQ(end.wait(), "finished") << "asking for every file now ends the hold";
    EXPECT_EQ(told, 1);
    EXPECT_EQ(hurried, 1);
  }
}

TEST_F(WriteOrderTest, HoldBackEndsByItselfAfterItsLongest) {
  auto loaded = session(book({{"index.html", "start"}, {"one.html", "1"}}));
  ASSERT_TRUE(loaded->load(nullptr, LoadWrites::StartPageFirst).succeeded());
  loaded->holdBackWriting(std::chrono::milliseconds(50));
  EndOfWriting end;
  ASSERT_TRUE(loaded->writeRemainingFiles(end.events()));
  EXPECT_EQ(end.wait(), "finished");
}

TEST_F(WriteOrderTest, CleanUpDuringTheWritingStopsItAndLeavesNothing) {
  std::vector<TestFile> files = {{"index.html", "start"}};
  for (int i = 0; i < 2000; ++i) files.push_back({"f\\" + std::to_string(i) + ".txt", patternBytes(3000)});
  files.push_back({"big.bin", patternBytes(16 << 20)});
  auto loaded = session(book(files));
  ASSERT_TRUE(loaded->load(nullptr, LoadWrites::StartPageFirst).succeeded());
  EndOfWriting end;
  ASSERT_TRUE(loaded->writeRemainingFiles(end.events()));
  loaded->removeAll();
  EXPECT_TRUE(treeOf(workspace_.temp()).empty()) << "the writing has stopped for good before the clean-up";
  EXPECT_FALSE(loaded->writeNextFile());
  EXPECT_FALSE(loaded->writeRemainingFiles(end.events()));
}

}  // namespace
}  // namespace pagora::testing
