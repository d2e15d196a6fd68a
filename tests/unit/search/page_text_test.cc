#include "search/page_text.h"

#include <gtest/gtest.h>

#include <string>

#include "search/charset.h"

namespace pagora::search {
namespace {

struct TextCase {
  const char* name;
  std::string bytes;
  std::string title;
  std::string body;

  friend void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }
};

class PageTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(PageTextTest, GivesTheTitleAndTheVisibleText) {
  const PageText text = extractPageText(GetParam().bytes);
  EXPECT_EQ(text.title, GetParam().title);
  EXPECT_EQ(text.body, GetParam().body);
}

const std::string kLatin1Meta = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">";

INSTANTIATE_TEST_SUITE_P(
    Markup, PageTextTest,
    ::testing::Values(
        TextCase{"Empty", "", "", ""},
        TextCase{"TitleAndBody", "<html><head><title> A  Title </title></head><body><p>Some text.</p></body></html>",
                 "A Title", "Some text."},
        TextCase{"FirstTitleOnly", "<title>One</title><title>Two</title><p>x", "One", "x"},
        TextCase{"ScriptsStylesAndHiddenContent",
                 "<head><style>p { color: red }</style><script>var hidden = 1;</script></head><body>"
                 "<p>seen<script>document.write('no')</script></p><noscript>off</noscript><template>t</template>"
                 "<!-- comment --></body>",
                 "", "seen"},
        TextCase{"InlineElementsJoinBlocksSeparate", "<p>bold<b>er</b> text</p><p>next<br>line</p><td>a</td><td>b</td>",
                 "", "bolder text next line a b"},
        TextCase{"CharacterReferences", "<p>caf&eacute; &amp; &#x41;&#66; &lt;tag&gt; &nbsp;&unknown;</p>", "",
                 "caf\xC3\xA9 & AB <tag> \xC2\xA0&unknown;"},
        TextCase{"BrokenMarkup", "<p>unclosed <b>bold <i>it</p><div>x</span></div><table><td>cell", "",
                 "unclosed bold it x cell"},
        TextCase{"WhiteSpaceRunsBecomeOneSpace",
                 "<p> one  two\tthree\r\n\nfour     five </p><p>abcdefg  hijklmnop abcdefghijklmno  p</p>"
                 "<p>single spaces between words all along the line </p>",
                 "", "one two three four five abcdefg hijklmnop abcdefghijklmno p single spaces between words all "
                     "along the line"},
        TextCase{"AttributesAreNotText", "<img alt=\"picture\" src=a.png><a href=\"x.html\" title=\"tip\">link</a>", "",
                 "link"}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Charsets, PageTextTest,
    ::testing::Values(
        TextCase{"Utf8Undeclared",
                 "<title>\xC3\x9C"
                 "ber</title><p>Stra\xC3\x9F"
                 "e",
                 "\xC3\x9C"
                 "ber",
                 "Stra\xC3\x9F"
                 "e"},
        TextCase{"InvalidUtf8ReadAsWindows1252", "<p>caf\xE9 \x80 \x9Cuvre \x81", "",
                 "caf\xC3\xA9 \xE2\x82\xAC \xC5\x93uvre \xEF\xBF\xBD"},
        TextCase{"MetaCharset", "<meta charset=\"koi8-r\"><p>\xF0\xD2\xC9\xD7\xC5\xD4", "",
                 "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        TextCase{"HttpEquivLatin1MeansWindows1252", "<title>\x93quoted\x94</title>" + kLatin1Meta + "<p>\xE9t\xE9",
                 "\xE2\x80\x9Cquoted\xE2\x80\x9D", "\xC3\xA9t\xC3\xA9"},
        TextCase{"DeclaredLatin1OverValidUtf8", kLatin1Meta + "<p>\xC3\xA9", "", "\xC3\x83\xC2\xA9"},
        TextCase{"XmlDeclaration",
                 "<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?><html><body><p>\xA4</p></body></html>", "",
                 "\xE2\x82\xAC"},
        TextCase{"UnknownLabelIgnored", "<meta charset=\"no-such-charset\"><p>\xC3\xA9", "", "\xC3\xA9"},
        TextCase{"FirstDeclarationWins", "<meta charset=utf-8><meta charset=iso-8859-1><p>\xC3\xA9", "", "\xC3\xA9"},
        TextCase{"ByteOrderMarkOverDeclaration", "\xEF\xBB\xBF<meta charset=iso-8859-1><p>\xC3\xA9", "", "\xC3\xA9"},
        TextCase{"Utf16ByteOrderMark", std::string("\xFF\xFE<\0p\0>\0\xE9\0", 10), "", "\xC3\xA9"},
        TextCase{"NulBytes", std::string("<p>a\0b</p>", 10), "",
                 "a\xEF\xBF\xBD"
                 "b"},
        TextCase{"InvalidBytesInDeclaredCharset",
                 "<meta charset=utf-8><p>a\xFF"
                 "b",
                 "",
                 "a\xEF\xBF\xBD"
                 "b"}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(PageText, BinaryDataGivesSomeValidText) {
  std::string bytes;
  for (int i = 0; i < 70000; ++i) bytes += static_cast<char>((i * 7919 + i / 13) & 0xFF);
  const PageText text = extractPageText(bytes);
  std::string scratch;
  EXPECT_EQ(decodeToUtf8(text.body, kUtf8, scratch).data(), text.body.data()) << "the text is valid UTF-8";
}

TEST(PageText, AStopRequestEndsAPageEarly) {
  std::string bytes = "<p>";
  for (int i = 0; i < 200000; ++i) bytes += "word ";
  const std::atomic<bool> stop{true};
  EXPECT_LT(extractPageText(bytes, &stop).body.size(), bytes.size() / 2);
}

struct LabelCase {
  const char* label;
  std::optional<std::string> charset;
};

TEST(Charset, LabelsNameTheCharsetABrowserUses) {
  const LabelCase cases[] = {
      {"utf-8", "UTF-8"},
      {" UTF8 ", "UTF-8"},
      {"utf-16", "UTF-8"},
      {"ISO-8859-1", "WINDOWS-1252"},
      {"us-ascii", "WINDOWS-1252"},
      {"latin1", "WINDOWS-1252"},
      {"koi8-r", "KOI8-R"},
      {"Shift_JIS", "SHIFT_JIS"},
      {"", std::nullopt},
      {"no-such-charset", std::nullopt},
      {"../etc/passwd", std::nullopt},
  };
  for (const LabelCase& c : cases) EXPECT_EQ(charsetForLabel(c.label), c.charset) << c.label;
}

TEST(Charset, FindsTheLabelInContentTypeAndXmlDeclaration) {
  EXPECT_EQ(charsetInContentType("text/html; charset=koi8-r"), "koi8-r");
  EXPECT_EQ(charsetInContentType("text/html;CHARSET = \"utf-8\" ; x"), "utf-8");
  EXPECT_EQ(charsetInContentType("text/html; charset='big5'"), "big5");
  EXPECT_EQ(charsetInContentType("text/html"), std::nullopt);
  EXPECT_EQ(charsetInContentType("text/html; charset="), std::nullopt);
  EXPECT_EQ(encodingInXmlDeclaration("version=\"1.0\" encoding='EUC-JP'?"), "EUC-JP");
  EXPECT_EQ(encodingInXmlDeclaration("version=\"1.0\" standalone=\"yes\"?"), std::nullopt);
  EXPECT_EQ(encodingInXmlDeclaration("version=\"1.0\" encoding=utf-8?"), std::nullopt);
}

}  // namespace
}  // namespace pagora::search
