#include "authoring_defaults.h"

#include <gtest/gtest.h>

namespace pagora::book_tool {
namespace {

TEST(AuthoringDefaultsTest, DefaultEsbnIsAPlainStableName) {
  struct Case {
    std::string title;
    std::string bookPath;
    std::string esbn;
  };
  const Case cases[] = {
      {"A Walk Through Pagora", "out/walk", "a-walk-through-pagora"},
      {"  SQLite -- Docs!! ", "x", "sqlite-docs"},
      {"../../etc", "x", "etc"},
      {"snake_case_title", "x", "snake_case_title"},
      {"", "/tmp/books/Debian FAQ.book", "debian-faq"},
      {"???", "/tmp/books/manual", "manual"},
      {"", "/tmp/books/...", "book"},
      {"\xC3\xA9t\xC3\xA9", "x", "t"},
      {std::string(100, 'a'), "x", std::string(64, 'a')},
      {std::string(63, 'a') + " b", "x", std::string(63, 'a')},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(defaultEsbn(c.title, c.bookPath), c.esbn) << c.title << " / " << c.bookPath;
    EXPECT_EQ(esbnProblem(defaultEsbn(c.title, c.bookPath)), "");
  }
}

TEST(AuthoringDefaultsTest, EsbnMustNameOneFolder) {
  for (const char* usable : {"pagora-sample-1", "My Book", ".hidden", "a..b"}) EXPECT_EQ(esbnProblem(usable), "") << usable;
  for (const char* unusable : {"", ".", "..", "a/b", "/abs", "a\\b"}) EXPECT_NE(esbnProblem(unusable), "") << unusable;
}

TEST(AuthoringDefaultsTest, BookFileStem) {
  EXPECT_EQ(bookFileStem("out/sample-book"), "sample-book");
  EXPECT_EQ(bookFileStem("/x/y/guide.book"), "guide");
  EXPECT_EQ(bookFileStem("plain"), "plain");
}

TEST(AuthoringDefaultsTest, StartPageSendsTheReaderOn) {
  const std::string page = startPageHtml("docs\\first page&more.html", "Tom & \"Jerry\" <3");
  EXPECT_NE(page.find("<meta http-equiv=\"refresh\" content=\"0; url=docs/first%20page%26more.html\">"),
            std::string::npos) << page;
  EXPECT_NE(page.find("<a href=\"docs/first%20page%26more.html\">docs/first page&amp;more.html</a>"),
            std::string::npos) << page;
  EXPECT_NE(page.find("<title>Tom &amp; &quot;Jerry&quot; &lt;3</title>"), std::string::npos) << page;
}

}  // namespace
}  // namespace pagora::book_tool
