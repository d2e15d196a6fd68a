#include "pages/page_template.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "expected_about_pages.h"

namespace pagora {
namespace {

std::vector<std::string> crlfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "text does not end in CR LF";
  return lines;
}

TEST(PageHeaderTest, EmptyTitleGivesAllElevenLines) {
  EXPECT_EQ(PageHeader(""),
            "<HTML>\r\n"
            "<HEAD>\r\n"
            "<TITLE></TITLE>\r\n"
            "<STYLE type=\"text/css\">\r\n"
            "A:link          { color:#003399; }\r\n"
            "A:visited       { color:#003399; }\r\n"
            "A:hover         { color:red;     }\r\n"
            "</STYLE>\r\n"
            "</HEAD>\r\n"
            "<BODY BGCOLOR=BLACK TOPMARGIN=0 LEFTMARGIN=0 MARGINWIDTH=0 MARGINHEIGHT=0>\r\n"
            "<CENTER>\r\n");
}

TEST(PageHeaderTest, TitleIsInsertedVerbatim) {
  const std::vector<std::string> lines = crlfLines(PageHeader("A &amp; <B>"));
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[2], "<TITLE>A &amp; <B></TITLE>");
}

TEST(PageHeaderTest, StyleRulesAreThirtyFourCharactersWithBracesAligned) {
  const std::vector<std::string> lines = crlfLines(PageHeader("x"));
  ASSERT_EQ(lines.size(), 11u);
  for (int i = 4; i <= 6; ++i) {
    EXPECT_EQ(lines[i].size(), 34u) << lines[i];
    EXPECT_EQ(lines[i].find('{'), 16u) << lines[i];
  }
}

TEST(PageBoxTest, EmptyTitleAndBodyStillGiveElevenLines) {
  EXPECT_EQ(PageBox("", "", "WHITE"),
            "<BR>\r\n"
            "<TABLE WIDTH=560 BGCOLOR=WHITE BORDER=1 COLS=1 CELLPADDING=0 CELLSPACING=0><TR><TD ALIGN=CENTER>\r\n"
            "&nbsp;<BR>\r\n"
            "<TABLE WIDTH=540 BGCOLOR=WHITE BORDER=0 COLS=0 CELLPADDING=0 CELLSPACING=0><TR><TD>\r\n"
            "<FONT FACE=\"Arial,Helvetica,Verdana\" SIZE=2>\r\n"
            "<CENTER><BIG><B></B></BIG></CENTER><BR>\r\n"
            "\r\n"
            "</FONT>\r\n"
            "</TD></TR></TABLE>\r\n"
            "&nbsp;\r\n"
            "</TD></TR></TABLE>\r\n");
}

TEST(PageBoxTest, ColourGoesUnquotedIntoBothTablesAndBodyVerbatim) {
  const std::vector<std::string> lines = crlfLines(PageBox("T", "<P>body & more</P>", "#12ab34"));
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[1].rfind("<TABLE WIDTH=560 BGCOLOR=#12ab34 ", 0), 0u);
  EXPECT_EQ(lines[3].rfind("<TABLE WIDTH=540 BGCOLOR=#12ab34 ", 0), 0u);
  EXPECT_EQ(lines[5], "<CENTER><BIG><B>T</B></BIG></CENTER><BR>");
  EXPECT_EQ(lines[6], "<P>body & more</P>");
}

TEST(PageFooterTest, ClosesCentringBodyAndDocument) {
  EXPECT_EQ(PageFooter(), "\r\n<BR></CENTER>\r\n</BODY>\r\n</HTML>\r\n");
}

TEST(SoftwareBoxTest, IsTheFixedCreditBox) { EXPECT_EQ(SoftwareBox(), expected::kSoftwareBox); }

TEST(PageTest, WholePageStartsWithHtmlAndEndsWithClosingTagAndCrLf) {
  const std::string page = PageHeader("t") + PageBox("b", "x", "WHITE") + PageFooter();
  EXPECT_EQ(page.rfind("<HTML>", 0), 0u);
  const std::string tail = "</HTML>\r\n";
  ASSERT_GE(page.size(), tail.size());
  EXPECT_EQ(page.substr(page.size() - tail.size()), tail);
  EXPECT_EQ(page.find('\0'), std::string::npos);
}

}  // namespace
}  // namespace pagora
