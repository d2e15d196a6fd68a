// The counts beside the find bar and the book's search pane, as a reader
// reads them: no bare "0", no "1 matches", and an honest word when the engine
// stopped counting.
#include "viewer/rules/find_texts.h"

#include <gtest/gtest.h>

namespace pagora::viewer {
namespace {

TEST(FindTextsTest, CountsReadAsWords) {
  struct Row {
    std::size_t count;
    const char* matches;
    const char* pages;
  };
  for (const Row& row : {Row{0, "No matches", "No pages"}, Row{1, "1 match", "1 page"}, Row{2, "2 matches", "2 pages"},
                         Row{1000, "1000 matches", "1000 pages"}, Row{15000, "More than 1000 matches", "15000 pages"}}) {
    EXPECT_EQ(matchCountText(row.count, 1000), row.matches) << row.count;
    EXPECT_EQ(pageCountText(row.count), row.pages) << row.count;
  }
}

}  // namespace
}  // namespace pagora::viewer
