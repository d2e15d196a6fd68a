#include "search/snippet.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <string>

namespace pagora::search {
namespace {

std::string marked(const Snippet& snippet) {
  std::string text;
  std::size_t at = 0;
  for (const Mark& mark : snippet.marks) {
    text +=
        snippet.text.substr(at, mark.begin - at) + "[" + snippet.text.substr(mark.begin, mark.end - mark.begin) + "]";
    at = mark.end;
  }
  return text + snippet.text.substr(at);
}

TEST(Snippet, MarksEveryMatchingWordOfAShortText) {
  EXPECT_EQ(marked(makeSnippet("The Database and its data, DATA-bases.", Query::parse("data"))),
            "The [Database] and its [data], [DATA]-bases.");
  EXPECT_EQ(marked(makeSnippet("\u00DCber die Stra\u00DFe", Query::parse("strasse \u00FCBER"))),
            "[\u00DCber] die [Stra\u00DFe]");
}

TEST(Snippet, ShowsTheTextAroundTheFirstHit) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "filler" + std::to_string(i) + " ";
  text += "needle";
  for (int i = 0; i < 100; ++i) text += " after" + std::to_string(i);
  const Snippet snippet = makeSnippet(text, Query::parse("needle"), 80);
  ASSERT_EQ(snippet.marks.size(), 1u);
  EXPECT_EQ(snippet.text.substr(snippet.marks[0].begin, 6), "needle");
  EXPECT_TRUE(snippet.text.starts_with("\u2026filler")) << snippet.text;
  EXPECT_TRUE(snippet.text.ends_with("\u2026")) << snippet.text;
  EXPECT_LE(snippet.text.size(), 80u + 2 * std::string("\u2026").size());
  EXPECT_GT(snippet.marks[0].begin, 10u) << "some text before the hit";
}

TEST(Snippet, OpensThePageWhenOnlyTheTitleMatched) {
  const Snippet snippet = makeSnippet("Body text that goes on and on and on", Query::parse("title"), 20);
  EXPECT_EQ(snippet.text, "Body text that goes\u2026");
  EXPECT_TRUE(snippet.marks.empty());
  EXPECT_EQ(makeSnippet("", Query::parse("x")).text, "");
}

TEST(Snippet, NeverCutsACharacter) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "\u4E2D";  // one long word of three-byte characters
  text += " \u6587";
  const Snippet snippet = makeSnippet(text, Query::parse("\u6587"), 50);
  EXPECT_TRUE(g_utf8_validate(snippet.text.data(), static_cast<gssize>(snippet.text.size()), nullptr));
  ASSERT_EQ(snippet.marks.size(), 1u);
  EXPECT_EQ(snippet.text.substr(snippet.marks[0].begin, snippet.marks[0].end - snippet.marks[0].begin), "\u6587");
}

}  // namespace
}  // namespace pagora::search
