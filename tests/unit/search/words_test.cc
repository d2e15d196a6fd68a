#include "search/words.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/query.h"

namespace pagora::search {
namespace {

std::vector<std::string> wordsOf(std::string_view text) {
  std::vector<std::string> words;
  forEachWord(text, [&](std::string_view word) { words.emplace_back(word); });
  return words;
}

TEST(Words, AreRunsOfLettersAndDigitsWithTheirMarks) {
  using Words = std::vector<std::string>;
  EXPECT_EQ(wordsOf(""), Words{});
  EXPECT_EQ(wordsOf("  --- !? "), Words{});
  EXPECT_EQ(wordsOf("sqlite3_open(db, \"x\");"), (Words{"sqlite3", "open", "db", "x"}));
  EXPECT_EQ(wordsOf("don't e-mail 3.14"), (Words{"don", "t", "e", "mail", "3", "14"}));
  EXPECT_EQ(wordsOf("Stra\u00DFe \u00FCber\u00A0\u0928\u092E\u0938\u094D\u0924\u0947"),
            (Words{"Stra\u00DFe", "\u00FCber", "\u0928\u092E\u0938\u094D\u0924\u0947"}));
  // A combining mark continues a word but starts none.
  EXPECT_EQ(wordsOf("cafe\u0301 \u0301x"), (Words{"cafe\u0301", "x"}));
  EXPECT_EQ(wordsOf("\u4E2D\u6587\u3002\u65E5\u672C"), (Words{"\u4E2D\u6587", "\u65E5\u672C"}));
  EXPECT_EQ(wordsOf("a\xFF"
                    "b\xC3"),
            (Words{"a", "b"}))
      << "invalid bytes separate words";
}

TEST(Words, FoldByCompatibilityAndCase) {
  const std::pair<const char*, const char*> cases[] = {
      {"Hello", "hello"},
      {"Stra\u00DFe", "strasse"},
      {"STRASSE", "strasse"},
      {"\u00DCBER", "\u00FCber"},
      {"u\u0308ber", "\u00FCber"},    // decomposed form composes
      {"\uFB01le", "file"},           // ligature
      {"\uFF21\uFF22\uFF23", "abc"},  // full-width letters
      {"\u03A3\u039F\u03A6\u039F\u03A3", "\u03C3\u03BF\u03C6\u03BF\u03C3"},
      {"\u0130stanbul", "i\u0307stanbul"},
  };
  for (const auto& [word, folded] : cases) EXPECT_EQ(foldWord(word), folded) << word;
}

TEST(Words, FoldedWordsAreCutWithoutSplittingACharacter) {
  EXPECT_EQ(foldWord(std::string(1000, 'A')), std::string(kMaxFoldedWordBytes, 'a'));
  std::string longWord;
  for (int i = 0; i < 100; ++i) longWord += "\u00E9";  // two bytes each
  const std::string folded = foldWord(longWord);
  EXPECT_LE(folded.size(), kMaxFoldedWordBytes);
  EXPECT_GE(folded.size(), kMaxFoldedWordBytes - 1);
  EXPECT_TRUE(g_utf8_validate(folded.data(), static_cast<gssize>(folded.size()), nullptr));
}

TEST(Query, HoldsEachFoldedWordOnce) {
  using Words = std::vector<std::string>;
  EXPECT_EQ(Query::parse("").words(), Words{});
  EXPECT_TRUE(Query::parse("... ;-) !!!").empty());
  EXPECT_EQ(Query::parse("Virtual TABLE virtual table").words(), (Words{"virtual", "table"}));
  EXPECT_EQ(Query::parse("\u00DCBER Stra\u00DFe").words(), (Words{"\u00FCber", "strasse"}));

  std::string thousand;
  for (int i = 0; i < 1000; ++i) thousand += "w" + std::to_string(i) + " ";
  EXPECT_EQ(Query::parse(thousand).words().size(), 1000u);
}

TEST(Query, MatchesFoldedWordsThatBeginWithAQueryWord) {
  const Query query = Query::parse("strasse data");
  EXPECT_TRUE(query.matchesFolded(foldWord("Stra\u00DFenbahn")));
  EXPECT_TRUE(query.matchesFolded("database"));
  EXPECT_FALSE(query.matchesFolded("dat"));
  EXPECT_FALSE(query.matchesFolded("metadata"));
}

}  // namespace
}  // namespace pagora::search
