#include "search/search_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pagora::search {
namespace {

std::vector<std::string> namesFound(const SearchIndex& index, std::string_view query) {
  std::vector<std::string> names;
  for (const SearchResult& result : index.search(Query::parse(query))) names.push_back(result.storedName);
  return names;
}

std::string page(std::string_view title, std::string_view body) {
  return "<title>" + std::string(title) + "</title><body>" + std::string(body) + "</body>";
}

TEST(SearchIndex, RanksTitleMatchesThenOccurrencesThenName) {
  SearchIndex index;
  index.addPage("e.html", page("", "applesauce apple"));
  index.addPage("c.html", page("", "apple apple apple"));
  index.addPage("d.html", page("Apple", ""));
  index.addPage("a.html", page("", "Apple APPLE apple"));
  index.addPage("b.html", page("Apple pie", "apple"));
  index.addPage("f.html", page("Pears", "pears only"));
  index.finish();
  using Names = std::vector<std::string>;
  EXPECT_EQ(namesFound(index, "apple"), (Names{"b.html", "d.html", "a.html", "c.html", "e.html"}));
  EXPECT_EQ(namesFound(index, "apple pie"), (Names{"b.html"}));
  // Every query word must be in the title for the title to count.
  EXPECT_EQ(namesFound(index, "appl pears"), (Names{}));

  const std::vector<SearchResult> results = index.search(Query::parse("pie apple"));
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].title, "Apple pie");
  EXPECT_TRUE(results[0].titleHoldsEveryWord);
  EXPECT_EQ(results[0].occurrences, 3u);
  EXPECT_EQ(results[0].snippet.text, "apple");
  EXPECT_EQ(index.search(Query::parse("applesauce"))[0].title, "e.html") << "a page without title shows its name";
}

TEST(SearchIndex, BreaksTiesByNameAsAFolderWouldOrderIt) {
  SearchIndex index;
  // As paths: "a/x" < "a0" < "aZ" < "a_" < "b"; '\\' alone would sort after "aZ".
  for (const char* name : {"b.html", "a_.html", "a\\x.html", "aZ.html", "a0.html"}) {
    index.addPage(name, page("", "same words"));
  }
  index.finish();
  EXPECT_EQ(namesFound(index, "same"),
            (std::vector<std::string>{"a\\x.html", "a0.html", "aZ.html", "a_.html", "b.html"}));
}

TEST(SearchIndex, SearchesWhatIsInWhileItGrowsAndTheSameOnceFinished) {
  SearchIndex index;
  EXPECT_TRUE(index.search(Query::parse("word")).empty());
  index.addPage("one.html", page("One", "first word"));
  index.addPage("empty.html", page("", ""));  // a page without words between two with
  index.addPage("two.html", page("Two", "second wording"));
  using Names = std::vector<std::string>;
  EXPECT_FALSE(index.isComplete());
  EXPECT_EQ(namesFound(index, "word"), (Names{"one.html", "two.html"}));
  EXPECT_EQ(namesFound(index, "wordi"), (Names{"two.html"}));
  index.finish();
  EXPECT_TRUE(index.isComplete());
  EXPECT_EQ(namesFound(index, "word"), (Names{"one.html", "two.html"}));
  EXPECT_EQ(namesFound(index, "wordi"), (Names{"two.html"}));
  EXPECT_EQ(namesFound(index, "z"), (Names{}));
  index.addPage("three.html", page("Three", "third word"));
  EXPECT_EQ(index.pageCount(), 3u) << "a finished index takes no more pages";
}

TEST(SearchIndex, GivesSnippetsForTheFirstResultsAndOnAsking) {
  SearchIndex index;
  for (int i = 0; i < 5; ++i) index.addPage("p" + std::to_string(i) + ".html", page("", "a needle here"));
  index.finish();
  const Query query = Query::parse("needle");
  const std::vector<SearchResult> results = index.search(query, 2);
  ASSERT_EQ(results.size(), 5u);
  EXPECT_EQ(results[1].snippet.text, "a needle here");
  EXPECT_EQ(results[1].snippet.marks, (std::vector<Mark>{{2, 8}}));
  EXPECT_TRUE(results[2].snippet.text.empty());
  EXPECT_EQ(index.snippet(results[4].page, query).text, "a needle here");
  EXPECT_TRUE(index.snippet(99, query).text.empty());
}

TEST(SearchIndex, AnswersHugeAndWordlessQueriesSensibly) {
  SearchIndex index;
  index.addPage("a.html", page("A", "alpha beta gamma"));
  index.finish();
  std::string thousand = "alpha";
  for (int i = 0; i < 999; ++i) thousand += " beta" + std::to_string(i);
  EXPECT_TRUE(index.search(Query::parse(thousand)).empty());
  std::string thousandAlike;
  for (int i = 0; i < 1000; ++i) thousandAlike += i % 2 ? " ALPHA" : " beta";
  EXPECT_EQ(index.search(Query::parse(thousandAlike)).size(), 1u);
  EXPECT_TRUE(index.search(Query::parse("")).empty());
  EXPECT_TRUE(index.search(Query::parse("?!-- <> &&")).empty());
}

TEST(SearchIndex, TakesOneHugePage) {
  std::string body = "<p>firstword ";
  body.reserve(50u << 20);
  while (body.size() < (50u << 20)) body += "lorem ipsum dolor sit amet consectetur ";
  body += "lastword</p>";
  SearchIndex index;
  index.addPage("huge.html", body);
  index.finish();
  EXPECT_EQ(index.search(Query::parse("firstword lastword consect")).size(), 1u);
  EXPECT_GE(index.textBytes(), 50u << 20);
}

}  // namespace
}  // namespace pagora::search
