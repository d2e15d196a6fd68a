// The load in this process, through a BookSession on a scratch temporary
// directory: which page opens, what the reader is told and in what order,
// what is written, registered and left, and what its listener hears.
#include "session/book_loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "contained_load.h"
#include "container/format.h"
#include "container/load_messages.h"
#include "pages/about_page.h"
#include "session/book_session.h"
#include "support/book_image.h"
#include "support/printers.h"
#include "unit/pages/expected_about_pages.h"

namespace pagora::testing {
namespace {

using Tree = std::set<std::string>;
using Notices = std::vector<Notice>;
using Entries = std::vector<BookFileEntry>;

Notice warning(const std::string& text) { return {text, NoticeIcon::Warning}; }

const Notice kParseFailed = warning(corrupted(load_message::kSelfParseFailed));
const Notice kNoFiles = warning(corrupted(load_message::kNoFiles));
const Notice kCountsDiffer = warning(corrupted(load_message::kFileCountsDiffer));
const Notice kExtractionFailed = warning(corrupted(load_message::kExtractionFailed));
const Notice kIndexNotFound = warning(corrupted(load_message::kIndexNotFound));
const Notice kFolderFailed = warning(kFolderFailureNotice);
const Notice kDiskError = warning(kWriteFailureNotice);

std::set<std::string> asSet(const std::vector<std::string>& items) { return {items.begin(), items.end()}; }

class LoadTest : public ::testing::Test {
 protected:
  // A book of `files` with the given texts, its file count theirs.
  std::string book(const BookInfo& info, const std::vector<TestFile>& files, const RecordEdit& edit = {}) {
    BookRecipe recipe;
    recipe.info = info;
    recipe.files = files;
    recipe.editRecords = edit;
    const std::string path = workspace_.book("book" + std::to_string(++books_));
    BookImage::build(recipe).writeTo(path);
    return path;
  }
  static BookInfo withEsbn(const std::string& esbn) {
    BookInfo info;
    info.esbn = esbn;
    return info;
  }
  std::unique_ptr<BookSession> session(const std::string& bookPath) {
    return std::make_unique<BookSession>(SessionOptions{.bookPath = bookPath, .temporaryDirectory = workspace_.temp(),
                                                        .watchForCrash = false, .watcherLockFolder = {},
                                                        .sandboxRuntimeFolder = {}});
  }

  LoadWorkspace workspace_;
  int books_ = 0;
};

TEST_F(LoadTest, OpensOnTheIndexPageChosenByItsWholeNameOrElseTheAboutPage) {
  struct Case {
    const char* name;
    std::vector<std::string> storedNames;
    std::string startPage;  // a stored name; empty: the about page
  };
  const Case cases[] = {
      {"capital htm only", {"INDEX.HTM"}, "INDEX.HTM"},
      {"htm before html", {"index.htm", "a.html", "index.html"}, "index.html"},
      {"html before htm", {"index.html", "a.html", "index.htm"}, "index.html"},
      {"the last html wins", {"Index.html", "a.html", "INDEX.HTML"}, "INDEX.HTML"},
      {"the first htm wins", {"Index.htm", "a.html", "INDEX.HTM"}, "Index.htm"},
      {"an index in a folder does not count", {"docs\\index.html", "index.html5"}, ""},
      {"no index at all", {"a.html", "b.png"}, ""},
  };
  const std::string folder = workspace_.temp() + "choice.qvx/";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TestFile> files;
    for (const std::string& name : c.storedNames) files.push_back({name, "<P>" + name});
    const ContainedLoad load = loadContained(workspace_, book(withEsbn("choice"), files));
    EXPECT_EQ(load.privateFolder, folder);
    EXPECT_EQ(load.notices, c.startPage.empty() ? Notices{kIndexNotFound} : Notices{});
    EXPECT_EQ(load.startPagePath, folder + (c.startPage.empty() ? kAboutPageName : c.startPage));
  }
}

// A few damaged books from the container's table, and the esbns and paths
// that only the load judges: what the validation and the extraction say
// reaches the reader, and nothing more is written.
TEST_F(LoadTest, PassesTheContainersOutcomeOnAndJudgesItsOwnFolder) {
  struct Case {
    const char* name;
    RecordEdit records;
    void (*bytes)(BookImage&);
    Notices notices;
    Tree kept;
  };
  std::string deepName;
  for (int i = 0; i < PATH_MAX / 2 + 50; ++i) deepName += "d\\";
  deepName += "x";
  const Tree firstTwo = {"bad.qvx", "bad.qvx/index.html", "bad.qvx/images", "bad.qvx/images/cover.png"};
  const Tree all = {"bad.qvx",        "bad.qvx/index.html", "bad.qvx/images", "bad.qvx/images/cover.png",
                    "bad.qvx/notes.txt"};
  const Case cases[] = {
      {"undamaged", {}, nullptr, {}, all},
      {"trailer magic", {}, [](BookImage& b) { b.flipBit(b.trailerField(0), 0); }, {kParseFailed}, {}},
      {"no files declared", [](BookInfo& i, Entries&) { i.fileCount = 0; }, nullptr, {kNoFiles}, {}},
      {"counts differ", [](BookInfo& i, Entries&) { i.fileCount = 4; }, nullptr, {kCountsDiffer}, {}},
      {"cover data past the end", [](BookInfo&, Entries& e) { e[1].size = 1 << 30; }, nullptr, {kExtractionFailed},
       {"bad.qvx", "bad.qvx/index.html", "bad.qvx/images"}},
      {"unsafe name", [](BookInfo&, Entries& e) { e[2].name = "..\\pagora-escape.html"; }, nullptr,
       {kExtractionFailed}, firstTwo},
      // The validation passes it; the extraction finds a folder in the way.
      {"name of a folder made before", [](BookInfo&, Entries& e) { e[2].name = "images"; }, nullptr,
       {kExtractionFailed}, firstTwo},
      {"no start page", [](BookInfo&, Entries& e) { e[0].name = "start.html"; }, nullptr, {kIndexNotFound},
       {"bad.qvx", "bad.qvx/start.html", "bad.qvx/images", "bad.qvx/images/cover.png", "bad.qvx/notes.txt",
        "bad.qvx/__about.html"}},
      // A path the system would not take could not be removed by its full path.
      {"stored path longer than the system takes", [&](BookInfo&, Entries& e) { e[2].name = deepName; }, nullptr,
       {kExtractionFailed}, firstTwo},
      {"esbn climbing out", [](BookInfo& i, Entries&) { i.esbn = "..\\pagora-escape"; }, nullptr,
       {kFolderFailed, kExtractionFailed}, {}},
      {"esbn absolute", [](BookInfo& i, Entries&) { i.esbn = "/pagora-escape"; }, nullptr,
       {kFolderFailed, kExtractionFailed}, {}},
      {"esbn longer than a file name", [](BookInfo& i, Entries&) { i.esbn = std::string(300, 'e'); }, nullptr,
       {kFolderFailed, kExtractionFailed}, {}},
      {"esbn path longer than the system takes", [&](BookInfo& i, Entries&) { i.esbn = deepName; }, nullptr,
       {kFolderFailed, kExtractionFailed}, {}},
      {"esbn holding a zero byte", [](BookInfo& i, Entries&) { i.esbn = std::string("bad\0/../../pagora-escape", 24); },
       nullptr, {}, all},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BookRecipe recipe;
    recipe.info.esbn = "bad";
    recipe.files = {{"index.html", "<P>the index</P>"},
                    {"images\\cover.png", patternBytes(format::kTransferBufferSize + 100, 7)},
                    {"notes.txt", "some notes"}};
    recipe.editRecords = c.records;
    BookImage image = BookImage::build(recipe);
    if (c.bytes != nullptr) c.bytes(image);
    const std::string path = workspace_.book(std::string("bad") + std::to_string(++books_));
    image.writeTo(path);
    const ContainedLoad load = loadContained(workspace_, path);
    EXPECT_EQ(load.notices, c.notices);
    EXPECT_EQ(load.kept, c.kept);
  }
}

TEST_F(LoadTest, DamagedHeaderKeepsTheTextsReadBeforeItAndWritesNothing) {
  BookInfo info = withEsbn("damaged");
  info.title = "Kept Title";
  BookImage image = BookImage::build({.viewer = kFakeViewer, .info = info, .files = {{"index.html", "x"}},
                                      .strings = {}, .editRecords = {}});
  image.flipBit(image.headerEndMagic() + 3, 0);  // the header's last byte
  const std::string path = workspace_.book("damaged");
  image.writeTo(path);
  auto loaded = session(path);
  EXPECT_EQ(loaded->load().notices, Notices{kParseFailed});
  EXPECT_EQ(loaded->info().title, "Kept Title");
  EXPECT_EQ(loaded->startPagePath(), "");
  EXPECT_EQ(loaded->privateFolderPath(), "");
  EXPECT_TRUE(loaded->registry().createdFolders().empty());
  EXPECT_TRUE(treeOf(workspace_.temp()).empty());
}

TEST_F(LoadTest, ThirdOfFiveFailingKeepsTheFirstTwoAndWritesNoMore) {
  const std::string path = book(withEsbn("five"),
                                {{"one.html", "first"}, {"empty.txt", ""}, {"pics\\big.png", std::string(40000, 'b')},
                                 {"four.html", "4"}, {"five.html", "5"}},
                                [](BookInfo&, Entries& entries) { entries[2].size = 100 * 1000 * 1000; });
  const std::string t = workspace_.temp();
  {
    auto loaded = session(path);
    EXPECT_EQ(loaded->load().notices, Notices{kExtractionFailed});
    EXPECT_EQ(asSet(loaded->registry().filesInRemovalOrder()),
              (Tree{t + "five.qvx/one.html", t + "five.qvx/empty.txt"}));
    EXPECT_EQ(loaded->registry().createdFolders(), (std::vector<std::string>{t + "five.qvx", t + "five.qvx/pics"}));
    EXPECT_EQ(loaded->startPagePath(), "") << "no about page is built";
    EXPECT_EQ(readFile(t + "five.qvx/one.html"), "first");
    EXPECT_EQ(treeOf(t), (Tree{"five.qvx", "five.qvx/one.html", "five.qvx/empty.txt", "five.qvx/pics"}));
  }
  EXPECT_TRUE(treeOf(t).empty());
}

TEST_F(LoadTest, StartPageThatFailsToExtractIsStillNamed) {
  const ContainedLoad load = loadContained(
      workspace_, book(BookInfo{}, {{"a.html", "a"}, {"INDEX.HTML", "index"}},
                       [](BookInfo&, Entries& entries) { entries[1].offset = 1 << 30; }));
  EXPECT_EQ(load.notices, Notices{kExtractionFailed});
  EXPECT_EQ(load.startPagePath, workspace_.temp() + ".qvx/INDEX.HTML");
  EXPECT_EQ(load.registeredFiles, std::vector<std::string>{workspace_.temp() + ".qvx/a.html"});
}

TEST_F(LoadTest, SubfoldersAreMadeInsideRegisteredAndRemovedInnermostFirst) {
  const std::string folder = workspace_.temp() + "sub.qvx/";
  const std::string path = book(withEsbn("sub"), {{"index.html", "i"}, {"images\\cover.png", "c"},
                                                  {"images/deep\\er/x.png", "x"},
                                                  {"images\\small.png", std::string(32769, 's')}});
  {
    auto loaded = session(path);
    EXPECT_TRUE(loaded->load().succeeded());
    EXPECT_EQ(loaded->registry().createdFolders(),
              (std::vector<std::string>{workspace_.temp() + "sub.qvx", folder + "images", folder + "images/deep",
                                        folder + "images/deep/er"}));
    EXPECT_EQ(asSet(loaded->registry().filesInRemovalOrder()),
              (Tree{folder + "index.html", folder + "images/cover.png", folder + "images/deep/er/x.png",
                    folder + "images/small.png"}));
    EXPECT_EQ(readFile(folder + "images/deep/er/x.png"), "x");
    EXPECT_EQ(readFile(folder + "images/small.png"), std::string(32769, 's'));
    EXPECT_EQ(modeOf(folder + "images/deep"), 0700u);
    EXPECT_EQ(modeOf(folder + "images/cover.png"), 0600u);
  }
  EXPECT_TRUE(treeOf(workspace_.temp()).empty());
}

TEST_F(LoadTest, BookWithoutIndexOpensOnTheExactAboutPageRebuiltOnRequest) {
  BookInfo full;
  full.title = expected::kFullTitle;
  full.publisher = expected::kFullPublisher;
  full.author = expected::kFullAuthor;
  full.authorEmail = expected::kFullAuthorEmail;
  full.webAddress = expected::kFullWebAddress;
  full.contentsNotice = expected::kFullContentsNotice;
  full.esbn = expected::kFullEsbn;
  struct Case {
    const char* what;
    BookInfo info;
    std::string page;
    std::string folder;
  };
  const Case cases[] = {{"no texts", BookInfo{}, expected::kEmptyAboutPage, ".qvx/"},
                        {"every text", full, expected::kFullAboutPage, "ESBN-42.qvx/"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto loaded = session(book(c.info, {{"page.html", "p"}}));
    EXPECT_EQ(loaded->load().notices, Notices{kIndexNotFound});
    const std::string about = workspace_.temp() + c.folder + kAboutPageName;
    EXPECT_EQ(loaded->startPagePath(), about);
    EXPECT_EQ(readFile(about), c.page);
    writeFile(about, "changed since");
    const BookSession::AboutPage rebuilt = loaded->buildAboutPage();
    EXPECT_EQ(rebuilt.path, about);
    EXPECT_TRUE(rebuilt.notices.empty());
    EXPECT_EQ(readFile(about), c.page);
    EXPECT_EQ(loaded->registry().filesInRemovalOrder().size(), 2u) << "registered once";
  }
}

// The book's own folder named "__about.html" stands where the page would go.
TEST_F(LoadTest, AboutPageThatCannotBeWrittenIsStillTheStartPage) {
  const ContainedLoad load = loadContained(workspace_, book(BookInfo{}, {{"__about.html\\note.txt", "n"}}));
  EXPECT_EQ(load.notices, (Notices{kIndexNotFound, kDiskError}));
  EXPECT_EQ(load.startPagePath, workspace_.temp() + ".qvx/__about.html");
  EXPECT_EQ(load.registeredFiles, std::vector<std::string>{workspace_.temp() + ".qvx/__about.html/note.txt"});
}

// The folder is tried again for the about page, and each failure is told.
TEST_F(LoadTest, FolderThatCannotBeMadeIsTriedAgainForTheAboutPage) {
  ASSERT_EQ(::symlink("/", (workspace_.temp() + "retry.qvx").c_str()), 0);
  auto loaded = session(book(withEsbn("retry"), {{"index.html", "i"}}));
  EXPECT_EQ(loaded->load().notices, (Notices{kFolderFailed, kExtractionFailed}));
  EXPECT_EQ(loaded->buildAboutPage().notices, (Notices{kFolderFailed, kDiskError}));
  EXPECT_TRUE(loaded->registry().filesInRemovalOrder().empty());
  EXPECT_FALSE(exists("/__about.html"));
  EXPECT_FALSE(exists("/index.html"));
}

class RecordingListener : public LoadListener {
 public:
  explicit RecordingListener(const BookSession*& session) : session_(session) {}
  void extractionStarting(const std::string& privateFolder) override {
    folder_ = privateFolder;
    events.push_back("start holding " + std::to_string(treeOf(privateFolder).size()));
  }
  void fileWritten(const std::string& path) override {
    events.push_back(path.substr(folder_.size()) + " " +
                     std::to_string(session_->registry().filesInRemovalOrder().size()));
  }
  std::vector<std::string> events;

 private:
  const BookSession*& session_;
  std::string folder_;
};

TEST_F(LoadTest, ListenerHearsOfTheEmptyFolderFirstThenOfEachFileWrittenAndRegistered) {
  struct Case {
    const char* what;
    RecordEdit edit;
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {"a sound book, its start page first", {}, {"start holding 0", "index.html 1", "a/one.html 2", "two.html 3"}},
      {"the second file fails", [](BookInfo&, Entries& e) { e[1].size = 100 * 1000 * 1000; },
       {"start holding 0", "a/one.html 1"}},
      {"the counts differ", [](BookInfo& i, Entries&) { i.fileCount = 2; }, {}},
      {"the esbn leaves the folder", [](BookInfo& i, Entries&) { i.esbn = "..\\pagora-escape"; }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const BookSession* current = nullptr;
    RecordingListener listener(current);
    auto loaded =
        session(book(withEsbn("heard"), {{"a\\one.html", "1"}, {"index.html", "i"}, {"two.html", "2"}}, c.edit));
    current = loaded.get();
    loaded->load(&listener);
    EXPECT_EQ(listener.events, c.events);
  }
}

// One session per book, as many as a process likes: each owns its records
// and its files, and ending one leaves the others' alone.
TEST_F(LoadTest, SessionsAreIndependentOfEachOther) {
  const std::string first = book(withEsbn("first"), {{"index.html", "1"}});
  const std::string second = book(withEsbn("second"), {{"index.html", "2"}});
  auto one = session(first);
  auto two = session(second);
  ASSERT_TRUE(one->load().succeeded());
  ASSERT_TRUE(two->load().succeeded());
  using Paths = std::vector<std::string>;
  EXPECT_EQ(one->registry().filesInRemovalOrder(), Paths{workspace_.temp() + "first.qvx/index.html"});
  EXPECT_EQ(two->registry().filesInRemovalOrder(), Paths{workspace_.temp() + "second.qvx/index.html"});
  one.reset();
  EXPECT_EQ(treeOf(workspace_.temp()), (Tree{"second.qvx", "second.qvx/index.html"}));
  auto again = session(first);
  ASSERT_TRUE(again->load().succeeded()) << "the same book loads again in the same process";
  EXPECT_EQ(readFile(again->startPagePath()), "1");
  again->removeAll();
  two->removeAll();
  EXPECT_TRUE(treeOf(workspace_.temp()).empty());
}

TEST_F(LoadTest, PrintingIsAllowedAsTheBookSaysAndBeforeAnyLoad) {
  BookInfo forbidden = withEsbn("no-print");
  forbidden.printAllowed = 0;
  BookInfo allowed = withEsbn("print");
  allowed.printAllowed = 1;
  auto notLoaded = session(book(forbidden, {{"index.html", "i"}}));
  EXPECT_TRUE(notLoaded->printAllowed()) << "before the load";
  auto no = session(book(forbidden, {{"index.html", "i"}}));
  no->load();
  EXPECT_FALSE(no->printAllowed());
  auto yes = session(book(allowed, {{"index.html", "i"}}));
  yes->load();
  EXPECT_TRUE(yes->printAllowed());
  auto unreadable = session(workspace_.outside() + "victim.html");
  EXPECT_EQ(unreadable->load().notices, Notices{kParseFailed});
  EXPECT_FALSE(unreadable->printAllowed()) << "a book that could not be read allows nothing";
}

}  // namespace
}  // namespace pagora::testing
