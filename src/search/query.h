// A query as the reader typed it, made into the distinct folded words that a
// page must hold. A text without words (empty, punctuation only) gives an
// empty query, which no page matches.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pagora::search {

class Query {
 public:
  Query() = default;
  static Query parse(std::string_view text);

  // Folded, each once, in the order typed.
  const std::vector<std::string>& words() const { return words_; }
  bool empty() const { return words_.empty(); }

  // True when a folded page word begins with one of the query's words.
  bool matchesFolded(std::string_view foldedWord) const;

 private:
  std::vector<std::string> words_;
};

}  // namespace pagora::search
