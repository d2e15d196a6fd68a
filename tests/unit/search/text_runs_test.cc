// The runs of plain text set aside while libxml2 reads a page's markup change
// nothing: every page reads to the same title and text whether the parser
// reads every character itself or not. Pages made to trip the stand-ins, the
// real books beside the tree, and seeded random pages.
#include "search/text_runs.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "search/page_files.h"
#include "search/page_text.h"
#include "support/scratch_folder.h"
#include "support/shared_books.h"

namespace pagora::search {
namespace {

void expectSameText(const std::string& page, const std::string& what) {
  const PageText fast = extractPageText(page);
  const PageText whole = extractPageText(page, nullptr, false);
  EXPECT_EQ(fast.title, whole.title) << what;
  EXPECT_EQ(fast.body, whole.body) << what;
}

std::string repeated(std::string_view piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(TextRuns, PagesMadeToTripThemReadAlike) {
  std::vector<std::pair<std::string, std::string>> pages = {
      {"plain", "<title>A long enough title</title><p>Some plain text here.</p>"},
      {"form feed and controls", "<p>words before\fafter and\x01joined \x7F text</p>"},
      {"noncharacters", "<p>before \xEF\xBF\xBE middle \xEF\xBF\xBF after the end</p>"},
      {"private use written", "<p>a private \xEE\x80\x80 character and more words</p>"},
      {"private use referenced", "<p>as a reference &#xE000; and &#57345; in plain text</p>"},
      {"references between runs", "<p>AT&T rules &amp; more text&nbsp;here &unknown; and &#65;&#x42;C done</p>"},
      {"script holding an end tag", "<p>seen text</p><script>var s = '</p>' + 'still script text';</script>after"},
      {"style and comments", "<style>p { color: red } /* a long comment */</style><!-- hidden words here -->shown"},
      {"unterminated comment", "<p>shown words</p><!-- never closed and long enough"},
      {"quoted markup", "<a title=\"x > y and more\">link text here</a><img alt='a > b long'>after words"},
      {"bare angle brackets", "<p>a < b and c > d, when x <= y in long text</p>"},
      {"text before any tag", "text before everything at all<html><body>inside the body</body></html>"},
      {"cdata", "<p>before<![CDATA[ inside a cdata section ]]>after it</p>"},
      {"raw text elements", "<textarea>typed words in a field</textarea><xmp>example <b>markup</b></xmp>"},
      {"line ends", "<p>one line\r\nsecond line\rthird line\nfourth</p>"},
      {"meta after text", "<p>caf\xC3\xA9 words first</p><meta charset=\"iso-8859-1\"><p>more words</p>"},
      {"xml declaration", "<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?><p>long text \xA4 here</p>"},
      {"many runs", repeated("<p>paragraph of text</p>", 5000)},
      {"unclosed title", "<title>a title that runs on<body><p>body text words"},
      {"second byte order mark", "\xEF\xBB\xBF\xEF\xBB\xBFplain words of text after two marks"},
      {"utf-16 page opening with a mark", std::string("\xFF\xFE\xFF\xFE\x00\xD7\x00\x20\x00\x78\x00", 11)},
  };
  // A stand-in the parser reports in two pieces: white space before it fills
  // the parser's buffer of a hundred bytes just so.
  for (int spaces = 90; spaces <= 102; ++spaces) {
    pages.push_back({"split at " + std::to_string(spaces),
                     "<p>" + std::string(static_cast<std::size_t>(spaces), ' ') + "abcdefghij klmnop</p>"});
  }
  for (const auto& [what, page] : pages) expectSameText(page, what);
}

TEST(TextRuns, RealBooksReadAlike) {
  const std::string books = testing::sharedBooksFolder();
  if (books.empty()) GTEST_SKIP() << "no shared books beside the source tree";
  int pages = 0;
  for (const std::string& name : testing::filesBelow(books)) {
    if (!isPageName(name)) continue;
    const std::optional<std::string> bytes = readWholeFile(books + "/" + name);
    if (!bytes) continue;
    expectSameText(*bytes, name);
    ++pages;
  }
  EXPECT_GT(pages, 100);
}

TEST(TextRuns, RandomPagesReadAlike) {
  const std::vector<std::string> pieces = {
      "<p>", "</p>", "<b>", "</b>", "<div class=\"a > b\">", "</div>", "<script>", "</script>", "<style>",
      "</style>", "<title>", "</title>", "<!--", "-->", "&amp;", "&", "&#", "x;", "<", ">", "\"", "'", " ",
      "\n", "\r", "\f", "\x01", "\t", "plain words of text", "longerwordwithoutspaces", "caf\xC3\xA9",
      "\xEF\xBF\xBE", "\xE2\x82\xAC", "<br>", "</", "<!DOCTYPE html>", "<meta charset=utf-8>", "<noscript>",
      "</noscript>", "<textarea>", "</textarea>", "<![CDATA[", "]]>", "<?pi x?>", "<html>", "<body>"};
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
  std::uniform_int_distribution<int> length(1, 120);
  for (int i = 0; i < 3000; ++i) {
    std::string page;
    for (int n = length(random); n > 0; --n) page += pieces[piece(random)];
    expectSameText(page, "seed " + std::to_string(seed) + ", page " + std::to_string(i));
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace pagora::search
