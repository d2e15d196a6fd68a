// The stored files of a loaded book by path and by name, as the record of
// reading places names them: only files the book stores count, whatever the
// folders of their names, written already or still to be.
#include "session/book_pages.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "contained_load.h"
#include "support/book_image.h"

namespace pagora::testing {
namespace {

TEST(BookPagesTest, StoredNamesAndPathsOfTheFilesTheBookWrote) {
  LoadWorkspace workspace;
  BookRecipe recipe;
  recipe.info.esbn = "pages";
  recipe.files = {{"index.html", "<P>index"}, {"images\\pic one.html", "pic"}, {"notes/b.html", "b"}};
  const std::string bookPath = workspace.book("pages");
  BookImage::build(recipe).writeTo(bookPath);
  BookSession session({.bookPath = bookPath, .temporaryDirectory = workspace.temp(), .watchForCrash = false,
                       .watcherLockFolder = {}, .sandboxRuntimeFolder = {}});
  ASSERT_TRUE(session.load().succeeded());
  const std::string folder = session.privateFolderPath();

  struct Case {
    std::string storedName;
    std::string path;  // empty: no such file
  };
  const Case cases[] = {
      {"index.html", folder + "index.html"},
      {"images\\pic one.html", folder + "images/pic one.html"},
      {"notes/b.html", folder + "notes/b.html"},
      {"images/pic one.html", ""},  // the book stores it under the other separator
      {"missing.html", ""},
      {"../pages.qvx/index.html", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.storedName);
    EXPECT_EQ(pathOfStoredFile(session, c.storedName), c.path);
  }
  EXPECT_EQ(storedNameAt(session, folder + "images/pic one.html"), "images\\pic one.html");
  EXPECT_EQ(storedNameAt(session, folder + "notes/b.html"), "notes/b.html");
  for (const std::string& notStored : {folder + "__about.html", folder, folder + "images/", workspace.temp() + "x.html",
                                       std::string("/index.html"), std::string()}) {
    EXPECT_EQ(storedNameAt(session, notStored), "") << notStored;
  }
}

TEST(BookPagesTest, AFileStillToBeWrittenHasItsPath) {
  LoadWorkspace workspace;
  BookRecipe recipe;
  recipe.info.esbn = "later";
  recipe.files = {{"index.html", "<P>index"}, {"later.html", "later"}};
  const std::string bookPath = workspace.book("later");
  BookImage::build(recipe).writeTo(bookPath);
  BookSession session({.bookPath = bookPath, .temporaryDirectory = workspace.temp(), .watchForCrash = false,
                       .watcherLockFolder = {}, .sandboxRuntimeFolder = {}});
  ASSERT_TRUE(session.load(nullptr, LoadWrites::StartPageFirst).succeeded());
  const std::string path = session.privateFolderPath() + "later.html";
  ASSERT_NE(::access(path.c_str(), F_OK), 0) << "written behind the start page, not by the load";
  // A remembered page opens there: the navigation waits until it is written.
  EXPECT_EQ(pathOfStoredFile(session, "later.html"), path);
}

}  // namespace
}  // namespace pagora::testing
