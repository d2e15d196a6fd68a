// A short piece of a page's text around the first word that a query
// matches, with every matching word in it marked, for a list of results.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "search/query.h"

namespace pagora::search {

// A marked word: bytes [begin, end) of the snippet's text.
struct Mark {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool operator==(const Mark&) const = default;
};

struct Snippet {
  std::string text;  // UTF-8; "…" stands for text cut off at either end
  std::vector<Mark> marks;
};

inline constexpr std::size_t kSnippetBytes = 160;

// Around the first matching word of `text`, or its opening when no word
// matches (a page found by its title alone). Cut at word boundaries where it
// can be, and never inside a character.
Snippet makeSnippet(std::string_view text, const Query& query, std::size_t length = kSnippetBytes);

}  // namespace pagora::search
