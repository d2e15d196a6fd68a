// The search core end to end over a small tree of awkward pages on disk:
// charsets declared in each way or not at all, entities, scripts and styles,
// a word only a title holds, a subfolder, files that are not pages. Each
// query lists the pages it must find, in rank order.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <string>
#include <vector>

#include "search/index_builder.h"
#include "search/search_index.h"
#include "support/scratch_folder.h"

namespace pagora::search {
namespace {

struct TreeFile {
  std::string storedName;
  std::string bytes;
};

std::vector<TreeFile> awkwardTree() {
  std::string binary;
  for (int i = 0; i < 5000; ++i) binary += static_cast<char>((i * 131 + i / 7) & 0xFF);
  return {
      {"index.html",
       "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Start Page</title></head>"
       "<body><h1>Welcome</h1><p>The Stra\u00DFe guide. Caf\u00E9 \u00FCber alles.</p></body></html>"},
      {"latin1.htm",
       "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">"
       "</head><body>Cr\xE8me br\xFBl\xE9"
       "e</body></html>"},
      {"undeclared.html", "<p>\x93smart\x94 quotes and \x9Cuvre</p>"},
      {"koi8.html", "<meta charset=koi8-r><p>\xF0\xD2\xC9\xD7\xC5\xD4 \xCD\xC9\xD2</p>"},
      {"scripts.html",
       "<head><script>var secretword = 1;</script><style>.hiddenstyle { }</style></head>"
       "<body><p>visible words</p><noscript>noscriptword</noscript>"
       "<script type=\"text/template\"><p>templateword</p></script></body>"},
      {"entities.html", "<p>AT&amp;T caf&eacute; 5&nbsp;apples &lt;tagword&gt; &#x263A;smile</p>"},
      {"title-only.html", "<title>Zanzibar Notes</title><body><p>plain body</p></body>"},
      {"sub\\deeper\\page.xhtml",
       "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n"
       "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>Deep</title></head>"
       "<body><p>treasure \xE9l\xE8ve</p></body></html>"},
      {"UPPER.HTM", "<p>Shouting page</p>"},
      {"broken.html", "<p>unclosed <b>bold <table><tr><td>cellword</div></span><p <<< >> &&"},
      {"binary.html", binary},
      {"empty.html", ""},
      {"picture.png", "<p>pngword</p>"},
      {"notes.txt", "<p>txtword</p>"},
  };
}

using Pages = std::vector<std::string>;

struct QueryCase {
  const char* query;
  Pages pages;

  friend void PrintTo(const QueryCase& c, std::ostream* os) { *os << '"' << c.query << '"'; }
};

class AwkwardTree : public ::testing::TestWithParam<QueryCase> {
 protected:
  static void SetUpTestSuite() {
    folder_ = new testing::ScratchFolder;
    index_ = new SearchIndex;
    std::vector<PageFile> files;
    for (const TreeFile& file : awkwardTree()) {
      std::string path = *folder_ / file.storedName;
      std::replace(path.begin(), path.end(), '\\', '/');
      testing::writeFile(path, file.bytes);
      files.push_back(PageFile{file.storedName, path});
    }
    std::promise<void> complete;
    IndexBuilder builder(*index_, std::move(files), {{}, [&] { complete.set_value(); }});
    ASSERT_EQ(complete.get_future().wait_for(std::chrono::seconds(60)), std::future_status::ready);
  }
  static void TearDownTestSuite() {
    delete index_;
    delete folder_;
  }

  static testing::ScratchFolder* folder_;
  static SearchIndex* index_;
};

testing::ScratchFolder* AwkwardTree::folder_ = nullptr;
SearchIndex* AwkwardTree::index_ = nullptr;

TEST_P(AwkwardTree, FindsThePagesThatHoldEveryWord) {
  std::vector<std::string> found;
  for (const SearchResult& result : index_->search(Query::parse(GetParam().query))) found.push_back(result.storedName);
  EXPECT_EQ(found, GetParam().pages);
}

TEST_F(AwkwardTree, IndexesEveryPageAndNothingElse) {
  EXPECT_TRUE(index_->isComplete());
  EXPECT_EQ(index_->pageCount(), 12u);
}

INSTANTIATE_TEST_SUITE_P(
    Queries, AwkwardTree,
    ::testing::Values(
        QueryCase{"stra\u00DFe", Pages{"index.html"}}, QueryCase{"STRASSE", Pages{"index.html"}},
        QueryCase{"\u00DCBER", Pages{"index.html"}}, QueryCase{"cr\u00E8me br\u00FBl", Pages{"latin1.htm"}},
        QueryCase{"smart \u0152UVRE", Pages{"undeclared.html"}},
        QueryCase{"\u043F\u0440\u0438\u0432\u0435\u0442 \u041C\u0418\u0420", Pages{"koi8.html"}},
        QueryCase{"visible", Pages{"scripts.html"}}, QueryCase{"secretword", Pages{}},
        QueryCase{"hiddenstyle", Pages{}}, QueryCase{"noscriptword", Pages{}}, QueryCase{"templateword", Pages{}},
        QueryCase{"AT&T apples tagword", Pages{"entities.html"}}, QueryCase{"smile", Pages{"entities.html"}},
        QueryCase{"caf\u00E9", Pages{"entities.html", "index.html"}}, QueryCase{"zanzibar", Pages{"title-only.html"}},
        QueryCase{"notes plain", Pages{"title-only.html"}},
        QueryCase{"treasure \u00C9L\u00C8VE", Pages{"sub\\deeper\\page.xhtml"}},
        QueryCase{"deep", Pages{"sub\\deeper\\page.xhtml"}}, QueryCase{"shouting", Pages{"UPPER.HTM"}},
        QueryCase{"cellword unclosed bold", Pages{"broken.html"}}, QueryCase{"pngword", Pages{}},
        QueryCase{"txtword", Pages{}}, QueryCase{"", Pages{}}, QueryCase{"&& !!! ...", Pages{}},
        QueryCase{"zanzibar welcome", Pages{}}),
    [](const auto& info) { return "Query" + std::to_string(info.index); });

}  // namespace
}  // namespace pagora::search
