#include "search/page_entry.h"

#include <algorithm>
#include <limits>

#include "search/word_ids.h"
#include "search/words.h"

namespace pagora::search {

PageEntry makePageEntry(std::string storedName, PageText text) {
  PageEntry entry{std::move(storedName), std::move(text), {}};
  // Numbered in order of first sight, so a word's number is its place in terms.
  WordIds ids;
  // A page has about one distinct word in five of its text's bytes, or fewer.
  const std::size_t expectedWords =
      std::min<std::size_t>((entry.text.title.size() + entry.text.body.size()) / 5, 1 << 16);
  ids.reserve(expectedWords);
  entry.terms.reserve(expectedWords);
  std::string folded;
  auto count = [&](std::string_view word, bool inTitle) {
    foldWord(word, folded);
    if (folded.empty()) return;
    const auto [id, added] = ids.insert(folded);
    if (added) entry.terms.push_back(PageTerm{folded, 0, false});
    PageTerm& term = entry.terms[id];
    if (term.occurrences < std::numeric_limits<std::uint32_t>::max()) ++term.occurrences;
    term.inTitle = term.inTitle || inTitle;
  };
  forEachWord(entry.text.title, [&](std::string_view word) { count(word, true); });
  forEachWord(entry.text.body, [&](std::string_view word) { count(word, false); });
  return entry;
}

PageEntry makePageEntry(std::string storedName, std::string_view bytes, const std::atomic<bool>* stop) {
  return makePageEntry(std::move(storedName), extractPageText(bytes, stop));
}

}  // namespace pagora::search
