#include "search/page_entry.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "search/words.h"

namespace pagora::search {

PageEntry makePageEntry(std::string storedName, PageText text) {
  PageEntry entry{std::move(storedName), std::move(text), {}, {}};
  // Room for the distinct words of a page of ordinary prose (about one in
  // sixteen bytes of its text) spares most rehashing; a page with more grows.
  const std::size_t expectedWords =
      std::min<std::size_t>((entry.text.title.size() + entry.text.body.size()) / 16, 1 << 14);
  entry.words.reserve(expectedWords);
  entry.terms.reserve(expectedWords);

  auto termFor = [&entry](std::string_view folded) {
    const std::uint64_t hash = WordIds::hash(folded);
    const auto [id, added] = entry.words.insert(folded, hash);
    if (added) entry.terms.push_back(PageTerm{hash, 0, false});
    return id;
  };
  auto count = [&entry](std::uint32_t id, bool inTitle) {
    PageTerm& term = entry.terms[id];
    if (term.occurrences < std::numeric_limits<std::uint32_t>::max()) ++term.occurrences;
    term.inTitle = term.inTitle || inTitle;
  };

  // An ASCII word folds by lower case alone. Other words are counted as
  // written first, and each distinct one folded once: that folding costs far
  // more than looking a word up.
  constexpr std::uint32_t kNoTerm = std::numeric_limits<std::uint32_t>::max();
  WordIds written;
  std::vector<std::uint32_t> termOfWritten;
  std::string folded;
  char asciiFolded[kMaxFoldedWordBytes];
  auto countAll = [&](std::string_view text, bool inTitle) {
    WordCursor cursor(text);
    for (std::size_t begin, end; cursor.next(begin, end);) {
      const std::string_view word = text.substr(begin, end - begin);
      if (cursor.wordIsAscii()) {
        count(termFor(std::string_view(asciiFolded, foldAsciiWord(word, asciiFolded))), inTitle);
        continue;
      }
      const auto [writtenId, isNew] = written.insert(foldedPart(word));
      if (isNew) {
        foldWord(word, folded);
        termOfWritten.push_back(folded.empty() ? kNoTerm : termFor(folded));
      }
      if (termOfWritten[writtenId] != kNoTerm) count(termOfWritten[writtenId], inTitle);
    }
  };
  countAll(entry.text.title, true);
  countAll(entry.text.body, false);
  return entry;
}

PageEntry makePageEntry(std::string storedName, std::string_view bytes, const std::atomic<bool>* stop) {
  return makePageEntry(std::move(storedName), extractPageText(bytes, stop));
}

}  // namespace pagora::search
