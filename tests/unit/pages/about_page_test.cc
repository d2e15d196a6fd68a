#include "pages/about_page.h"

#include <gtest/gtest.h>

#include "expected_about_pages.h"

namespace pagora {
namespace {

struct AboutCase {
  const char* name;
  BookInfo texts;
  std::string block;

  friend void PrintTo(const AboutCase& c, std::ostream* os) { *os << c.name; }
};

BookInfo texts(std::string title, std::string publisher, std::string author, std::string authorEmail,
               std::string webAddress, std::string contentsNotice, std::string esbn) {
  BookInfo info;
  info.title = std::move(title);
  info.publisher = std::move(publisher);
  info.author = std::move(author);
  info.authorEmail = std::move(authorEmail);
  info.webAddress = std::move(webAddress);
  info.contentsNotice = std::move(contentsNotice);
  info.esbn = std::move(esbn);
  return info;
}

class AboutInfoHtmlTest : public ::testing::TestWithParam<AboutCase> {};

TEST_P(AboutInfoHtmlTest, BuildsTheBlockFromTheTexts) {
  EXPECT_EQ(AboutInfoHtml(GetParam().texts), GetParam().block);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AboutInfoHtmlTest,
    ::testing::Values(
        AboutCase{"AllEmpty", BookInfo{}, expected::kEmptyAboutBlock},
        AboutCase{"AllSet",
                  texts(expected::kFullTitle, expected::kFullPublisher, expected::kFullAuthor,
                        expected::kFullAuthorEmail, expected::kFullWebAddress, expected::kFullContentsNotice,
                        expected::kFullEsbn),
                  expected::kFullAboutBlock},
        AboutCase{"EmailWithoutAuthorIsNotShown", texts("T", "", "", "a@b.c", "", "", ""),
                  "<BIG><B>T</B></BIG><BR><BR><BR><SMALL>ESBN: </SMALL>"},
        AboutCase{"AuthorWithoutEmailHasNoLink", texts("T", "", "Ann", "", "", "", ""),
                  "<BIG><B>T</B></BIG><BR><BR>by Ann<BR><BR><SMALL>ESBN: </SMALL>"},
        AboutCase{"TitleAmpersandEscaped", texts("A & B", "", "", "", "", "", ""),
                  "<BIG><B>A &amp; B</B></BIG><BR><BR><BR><SMALL>ESBN: </SMALL>"},
        AboutCase{"WebAddressRawInTargetEscapedInText", texts("", "", "", "", "http://x/?a&b", "", ""),
                  "<BIG><B></B></BIG><BR><BR><A HREF=http://x/?a&b TARGET=_blank>http://x/?a&amp;b</A><BR>"
                  "<BR><SMALL>ESBN: </SMALL>"},
        AboutCase{"PublisherOnly", texts("T", "P & Co", "", "", "", "", ""),
                  "<BIG><B>T</B></BIG><BR><BR>published by P &amp; Co<BR><BR><BR><SMALL>ESBN: </SMALL>"},
        AboutCase{"ContentsNoticeAndEsbnEscaped", texts("", "", "", "", "", "free <b>", "a\"b"),
                  "<BIG><B></B></BIG><BR><BR>Contents of this E-Book are free &lt;b&gt;<BR><BR>"
                  "<SMALL>ESBN: a&quot;b</SMALL>"}),
    [](const ::testing::TestParamInfo<AboutCase>& info) { return std::string(info.param.name); });

TEST(AboutPageHtmlTest, AllEmptyTextsGiveTheWholePage) {
  EXPECT_EQ(AboutPageHtml(BookInfo{}), expected::kEmptyAboutPage);
}

TEST(AboutPageHtmlTest, AllTextsSetGiveTheWholePage) {
  EXPECT_EQ(AboutPageHtml(texts(expected::kFullTitle, expected::kFullPublisher, expected::kFullAuthor,
                                expected::kFullAuthorEmail, expected::kFullWebAddress,
                                expected::kFullContentsNotice, expected::kFullEsbn)),
            expected::kFullAboutPage);
}

}  // namespace
}  // namespace pagora
