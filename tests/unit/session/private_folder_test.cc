// Where a book's private folder goes and when it is refused: the temporary
// directory, the esbn ('\\' and '/' separate folders) and ".qvx"; made 0700
// and used only when it is a real folder of the reader's that nobody else may
// write into. An esbn that would put it outside the temporary directory is a
// folder that cannot be made. (Folders planted in its place by others are
// the hostile surroundings table's.)
#include "session/private_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "contained_load.h"
#include "container/load_messages.h"
#include "session/book_session.h"
#include "support/book_image.h"
#include "support/printers.h"

namespace pagora::testing {
namespace {

using Tree = std::set<std::string>;
using Folders = std::vector<std::string>;

const Notice kFolderFailed{kFolderFailureNotice, NoticeIcon::Warning};
const Notice kExtractionFailed{corrupted(load_message::kExtractionFailed), NoticeIcon::Warning};

class PrivateFolderTest : public ::testing::Test {
 protected:
  std::string bookWithEsbn(const std::string& esbn) {
    BookRecipe recipe;
    recipe.info = BookInfo{};
    recipe.info.esbn = esbn;
    recipe.files = {{"index.html", "<P>index"}, {"b.html", "b"}};
    const std::string path = workspace_.book(esbn.empty() ? "no-esbn" : "book");
    BookImage::build(recipe).writeTo(path);
    return path;
  }

  LoadWorkspace workspace_;
  TempFileRegistry registry_;
  PrivateFolder folder_{registry_, workspace_.temp()};
};

TEST_F(PrivateFolderTest, IsMadePrivateFilledAndRemovedWithEverythingInIt) {
  const std::string folder = workspace_.temp() + "plain.qvx/";
  const ContainedLoad load = loadContained(workspace_, bookWithEsbn("plain"));
  EXPECT_TRUE(load.notices.empty());
  EXPECT_EQ(load.privateFolder, folder);
  EXPECT_EQ(load.startPagePath, folder + "index.html");
  EXPECT_EQ(load.registeredFolders, Folders{workspace_.temp() + "plain.qvx"});
  EXPECT_EQ(load.kept, (Tree{"plain.qvx", "plain.qvx/index.html", "plain.qvx/b.html"}));

  BookSession session({.bookPath = bookWithEsbn("plain"), .temporaryDirectory = workspace_.temp(),
                       .watchForCrash = false, .watcherLockFolder = {}, .sandboxRuntimeFolder = {}});
  ASSERT_TRUE(session.load().succeeded());
  EXPECT_EQ(modeOf(folder), 0700u);
  EXPECT_EQ(modeOf(folder + "index.html"), 0600u);
  EXPECT_EQ(readFile(folder + "index.html"), "<P>index");
}

TEST_F(PrivateFolderTest, EsbnNamesTheFolderAndItsSeparatorsNestIt) {
  struct Case {
    std::string esbn;
    std::string folder;  // relative to the temporary directory
    Folders made;
  };
  const std::string t = workspace_.temp();
  const Case cases[] = {
      {"", ".qvx/", {t + ".qvx"}},
      {"outer\\middle/inner", "outer/middle/inner.qvx/",
       {t + "outer", t + "outer/middle", t + "outer/middle/inner.qvx"}},
      {"odd #1 100% ?x", "odd #1 100% ?x.qvx/", {t + "odd #1 100% ?x.qvx"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.esbn);
    TempFileRegistry registry;
    PrivateFolder folder(registry, t);
    EXPECT_EQ(folder.make(c.esbn), std::nullopt);
    EXPECT_EQ(folder.path(), t + c.folder);
    EXPECT_TRUE(folder.directory().isOpen());
    EXPECT_EQ(registry.createdFolders(), c.made);
    registry.removeAll();
    EXPECT_TRUE(treeOf(t).empty()) << "removed innermost first";
  }
}

TEST_F(PrivateFolderTest, EsbnThatWouldLeaveTheTemporaryDirectoryIsRefusedAndNothingIsMade) {
  for (const char* esbn : {"..\\pagora-escape", "../pagora-escape", "a\\..\\..\\pagora-escape", "\\pagora-escape",
                           "/pagora-escape", "a\\\\b", "a\\.\\b", ".\\b", "..\\..\\..\\..\\..\\..\\..\\tmp\\x"}) {
    SCOPED_TRACE(esbn);
    TempFileRegistry registry;
    PrivateFolder folder(registry, workspace_.temp());
    EXPECT_EQ(folder.make(esbn), kFolderFailed);
    EXPECT_FALSE(folder.directory().isOpen());
    EXPECT_TRUE(registry.createdFolders().empty());
  }
  EXPECT_TRUE(treeOf(workspace_.temp()).empty());
  EXPECT_FALSE(exists("/tmp/x.qvx"));
  for (const std::string& path : workspace_.escapePaths()) EXPECT_FALSE(exists(path)) << path;
}

// A load whose folder is refused tells of the folder, then of the first file
// it could not write, and writes nothing; the start page is still named.
TEST_F(PrivateFolderTest, RefusedFolderStopsTheLoadAtItsFirstFile) {
  const ContainedLoad load = loadContained(workspace_, bookWithEsbn("..\\pagora-escape"));
  EXPECT_EQ(load.notices, (std::vector<Notice>{kFolderFailed, kExtractionFailed}));
  EXPECT_EQ(load.startPagePath, workspace_.temp() + "../pagora-escape.qvx/index.html");
  EXPECT_TRUE(load.registeredFiles.empty());
  EXPECT_TRUE(load.kept.empty());
}

TEST_F(PrivateFolderTest, MissingTemporaryDirectoryIsNotMade) {
  ASSERT_EQ(::rmdir(workspace_.temp().c_str()), 0);
  EXPECT_EQ(folder_.make("nowhere"), kFolderFailed);
  EXPECT_FALSE(exists(workspace_.temp()));
}

TEST_F(PrivateFolderTest, FolderLeftByAnEarlierRunIsUsedAndKeepsWhatTheViewerDidNotWrite) {
  const ContainedLoad load = loadContained(workspace_, bookWithEsbn("left"), [&] {
    ::mkdir((workspace_.temp() + "left.qvx").c_str(), 0700);
    writeFile(workspace_.temp() + "left.qvx/earlier.txt", "from an earlier run");
    writeFile(workspace_.temp() + "left.qvx/b.html", "stale");
  });
  EXPECT_TRUE(load.notices.empty());
  EXPECT_TRUE(load.registeredFolders.empty());
  EXPECT_EQ(treeOf(workspace_.temp()), (Tree{"left.qvx", "left.qvx/earlier.txt"}));
}

// A folder that cannot be made is tried again on every request, and each
// failure is told.
TEST_F(PrivateFolderTest, FolderThatCannotBeMadeIsTriedAgainOnEveryRequest) {
  writeFile(workspace_.temp() + "retry.qvx", "a file where the folder goes");
  EXPECT_EQ(folder_.make("retry"), kFolderFailed);
  EXPECT_EQ(folder_.writeTempFile(workspace_.temp() + "retry.qvx/x.html", "x"),
            (Notice{kWriteFailureNotice, NoticeIcon::Warning}));
  EXPECT_EQ(folder_.make("retry"), kFolderFailed);
  ASSERT_EQ(::unlink((workspace_.temp() + "retry.qvx").c_str()), 0);
  EXPECT_EQ(folder_.make("retry"), std::nullopt);
  EXPECT_EQ(folder_.writeTempFile(folder_.path() + "x.html", "x"), std::nullopt);
  EXPECT_EQ(registry_.filesInRemovalOrder(), Folders{folder_.path() + "x.html"});
}

// Only a path inside the verified folder is written, and it is registered
// before it is written, so a file cut short is removed at exit too.
TEST_F(PrivateFolderTest, WritesOnlyInsideTheVerifiedFolder) {
  ASSERT_EQ(folder_.make("book"), std::nullopt);
  for (const std::string& path : {workspace_.temp() + "outside.html", folder_.path() + "../escape.html",
                                  folder_.path(), folder_.path() + "sub/none.html"}) {
    EXPECT_EQ(folder_.writeTempFile(path, "x"), (Notice{kWriteFailureNotice, NoticeIcon::Warning})) << path;
  }
  EXPECT_TRUE(registry_.filesInRemovalOrder().empty());
  EXPECT_EQ(treeOf(workspace_.temp()), Tree{"book.qvx"});
}

TEST_F(PrivateFolderTest, CreateFolderPathMakesAndRegistersEachMissingFolderOutermostFirst) {
  const std::string t = workspace_.temp();
  ASSERT_EQ(::mkdir((t + "a").c_str(), 0700), 0);
  EXPECT_TRUE(folder_.createFolderPath(t + "a/b/c/"));
  EXPECT_EQ(registry_.createdFolders(), (Folders{t + "a/b", t + "a/b/c"}));
  EXPECT_EQ(modeOf(t + "a/b/c"), 0700u);
  EXPECT_TRUE(folder_.createFolderPath(t + "a/b/c/")) << "everything there already";
  EXPECT_EQ(registry_.createdFolders().size(), 2u);

  EXPECT_TRUE(folder_.createFolderPath(t + "d/file.txt")) << "a name after the last '/' is not a folder";
  EXPECT_TRUE(exists(t + "d"));
  EXPECT_FALSE(exists(t + "d/file.txt"));
}

TEST_F(PrivateFolderTest, CreateFolderPathRefusesPathsThatLeaveOrPassThroughALink) {
  const std::string t = workspace_.temp();
  ASSERT_EQ(::symlink(workspace_.outside().c_str(), (t + "link").c_str()), 0);
  for (const std::string& path : {t + "../escape/", t + "x//y/", t + "./z/", t + "link/inside/",
                                  workspace_.book("elsewhere/"), std::string("/elsewhere/")}) {
    EXPECT_FALSE(folder_.createFolderPath(path)) << path;
  }
  EXPECT_TRUE(registry_.createdFolders().empty());
  EXPECT_EQ(treeOf(t), Tree{"link"});
  EXPECT_EQ(treeOf(workspace_.outside()), Tree{"victim.html"});
  EXPECT_FALSE(exists(workspace_.book("elsewhere")));
}

}  // namespace
}  // namespace pagora::testing
