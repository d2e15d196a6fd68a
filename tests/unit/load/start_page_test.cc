#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "container/book_loader.h"
#include "support/probe_book.h"

namespace pagora {
namespace {

struct ChoiceCase {
  const char* storedName;
  bool pageChosen;
  bool takes;
};

TEST(TakesStartPageTest, WholeNameInAnyLetterCase) {
  const ChoiceCase cases[] = {
      {"index.html", false, true},       {"index.html", true, true},       {"INDEX.HTML", true, true},
      {"Index.Html", false, true},       {"index.htm", false, true},       {"INDEX.HTM", false, true},
      {"index.htm", true, false},        {"InDeX.hTm", true, false},       {"docs\\index.html", false, false},
      {"docs/index.htm", false, false},  {"index.html.bak", false, false}, {"index.htmx", false, false},
      {" index.html", false, false},     {"index", false, false},          {"", false, false},
      {"\xC9NDEX.HTML", false, false},
  };
  for (const ChoiceCase& c : cases) {
    EXPECT_EQ(takesStartPage(c.storedName, c.pageChosen), c.takes)
        << '"' << c.storedName << "\" with a page chosen: " << c.pageChosen;
  }
}

struct BookCase {
  const char* name;
  std::vector<std::string> storedNames;
  std::string startPage;  // a stored name; empty: the about page
  friend void PrintTo(const BookCase& c, std::ostream* os) { *os << c.name; }
};

class StartPageChoiceTest : public probe::ProbeTest, public ::testing::WithParamInterface<BookCase> {};

TEST_P(StartPageChoiceTest, LoadOpensOnTheChosenPage) {
  std::vector<BookSource> files;
  for (const std::string& name : GetParam().storedNames) files.push_back(probe::storedFile(name, "<P>" + name));
  BookInfo info;
  info.esbn = "choice";
  info.printAllowed = 1;
  const probe::Report report = run(makeBook(info, files));

  ASSERT_EQ(report.exitStatus, 0);
  EXPECT_EQ(report.printAllowed, "1");
  EXPECT_EQ(report.sameInstance, "yes");
  const std::string folder = tempDir() + "choice.qvx/";
  EXPECT_EQ(report.privateFolder, folder);
  if (GetParam().startPage.empty()) {
    EXPECT_EQ(report.notices, std::vector<std::string>{probe::corruptBookNotice("Index file not found!")});
    EXPECT_EQ(report.startPagePath, folder + "__about.html");
  } else {
    EXPECT_TRUE(report.notices.empty());
    EXPECT_EQ(report.startPagePath, folder + GetParam().startPage);
  }
  EXPECT_TRUE(report.left.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Books, StartPageChoiceTest,
    ::testing::Values(BookCase{"CapitalHtmOnly", {"INDEX.HTM"}, "INDEX.HTM"},
                      BookCase{"HtmBeforeHtml", {"index.htm", "a.html", "index.html"}, "index.html"},
                      BookCase{"HtmlBeforeHtm", {"index.html", "a.html", "index.htm"}, "index.html"},
                      BookCase{"LastHtmlWins", {"Index.html", "a.html", "INDEX.HTML"}, "INDEX.HTML"},
                      BookCase{"FirstHtmWins", {"Index.htm", "a.html", "INDEX.HTM"}, "Index.htm"},
                      BookCase{"IndexInSubfolderDoesNotCount", {"docs\\index.html", "index.html5"}, ""},
                      BookCase{"NoIndexAtAll", {"a.html", "b.png"}, ""}),
    [](const ::testing::TestParamInfo<BookCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pagora
