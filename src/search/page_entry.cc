#include "search/page_entry.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "search/word_ids.h"
#include "search/words.h"

namespace pagora::search {

PageEntry makePageEntry(std::string storedName, PageText text) {
  PageEntry entry{std::move(storedName), std::move(text), {}};
  // Words are counted as written first, and each distinct one folded once:
  // folding costs far more than looking a word up.
  constexpr std::uint32_t kNoTerm = std::numeric_limits<std::uint32_t>::max();
  WordIds written;
  std::vector<std::uint32_t> termOfWritten;
  // Numbered in order of first sight, so a folded word's number is its place in terms.
  WordIds folded;
  // Room for the distinct words of a page of ordinary prose (about one in
  // sixteen bytes of its text) spares most rehashing; a page with more grows.
  const std::size_t expectedWords =
      std::min<std::size_t>((entry.text.title.size() + entry.text.body.size()) / 16, 1 << 14);
  written.reserve(expectedWords);
  folded.reserve(expectedWords);
  std::string foldedWord;
  auto count = [&](std::string_view word, bool inTitle) {
    const auto [writtenId, isNew] = written.insert(foldedPart(word));
    if (isNew) {
      foldWord(word, foldedWord);
      std::uint32_t term = kNoTerm;
      if (!foldedWord.empty()) {
        const auto [id, added] = folded.insert(foldedWord);
        if (added) entry.terms.push_back(PageTerm{foldedWord, 0, false});
        term = id;
      }
      termOfWritten.push_back(term);
    }
    if (termOfWritten[writtenId] == kNoTerm) return;
    PageTerm& term = entry.terms[termOfWritten[writtenId]];
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
