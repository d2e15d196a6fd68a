#include "search/snippet.h"

#include <algorithm>

#include "search/words.h"

namespace pagora::search {
namespace {

constexpr std::string_view kEllipsis = "\u2026";

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t backToCharacter(std::string_view text, std::size_t at) {
  while (at > 0 && at < text.size() && isContinuationByte(text[at])) --at;
  return at;
}

// The first word of `text` the query matches, as [begin, end).
bool firstHit(std::string_view text, const Query& query, std::size_t& begin, std::size_t& end) {
  WordCursor cursor(text);
  std::string folded;
  while (cursor.next(begin, end)) {
    foldWord(text.substr(begin, end - begin), folded);
    if (query.matchesFolded(folded)) return true;
  }
  begin = end = 0;
  return false;
}

}  // namespace

Snippet makeSnippet(std::string_view text, const Query& query, std::size_t length) {
  std::size_t hitBegin = 0;
  std::size_t hitEnd = 0;
  std::size_t start = 0;
  if (firstHit(text, query, hitBegin, hitEnd) && hitEnd > length / 2) {
    // A third of the room before the hit, starting at a space when one is near.
    start = backToCharacter(text, hitBegin - std::min(hitBegin, length / 3));
    const std::size_t space = text.find(' ', start);
    if (space != std::string_view::npos && space < hitBegin) start = space + 1;
  }
  std::size_t stop = std::min(text.size(), start + length);
  if (stop < text.size()) {
    const std::size_t space = text.rfind(' ', stop);
    stop = (space != std::string_view::npos && space > std::max(start, hitEnd)) ? space : backToCharacter(text, stop);
  }

  Snippet snippet;
  const std::string_view piece = text.substr(start, stop - start);
  if (start > 0) snippet.text += kEllipsis;
  const std::size_t offset = snippet.text.size();
  snippet.text += piece;
  if (stop < text.size()) snippet.text += kEllipsis;

  WordCursor cursor(piece);
  std::string folded;
  for (std::size_t begin, end; cursor.next(begin, end);) {
    foldWord(piece.substr(begin, end - begin), folded);
    if (query.matchesFolded(folded)) snippet.marks.push_back(Mark{offset + begin, offset + end});
  }
  return snippet;
}

}  // namespace pagora::search
