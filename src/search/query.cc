#include "search/query.h"

#include <algorithm>
#include <unordered_set>

#include "search/words.h"

namespace pagora::search {

Query Query::parse(std::string_view text) {
  Query query;
  std::unordered_set<std::string> seen;
  std::string folded;
  forEachWord(text, [&](std::string_view word) {
    foldWord(word, folded);
    if (!folded.empty() && seen.insert(folded).second) query.words_.push_back(folded);
  });
  return query;
}

bool Query::matchesFolded(std::string_view foldedWord) const {
  return std::any_of(words_.begin(), words_.end(),
                     [&](const std::string& word) { return foldedWord.starts_with(word); });
}

}  // namespace pagora::search
