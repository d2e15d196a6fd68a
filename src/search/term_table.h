// TermTable maps each folded word of a book to its postings: the pages that
// hold it, each with how often and whether in its title. While pages are
// added, the words are numbered in a hash table and each page's words are
// appended, in page order, to one stream of varints (word number, then count
// and title), so adding writes one place and never a list per word; a lookup
// by beginning finds the words that match, then reads the stream. freeze()
// sorts the words into one packed vocabulary and regroups the stream by word
// (page numbers as the gap from the one before), where a lookup by beginning
// is a binary search. Not thread-safe: SearchIndex guards it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/word_ids.h"

namespace pagora::search {

class TermTable {
 public:
  // Pages are added in increasing order of `page`; each word once per page,
  // with its WordIds::hash.
  void add(std::string_view word, std::uint64_t hash, std::uint32_t page, std::uint32_t occurrences, bool inTitle);
  // Readies the table for a word with this hash, which add() is about to be
  // given: its slot is fetched from memory while the words before it go in.
  void prefetch(std::uint64_t hash) const { growingIds_.prefetch(hash); }

  // No word can be added after this.
  void freeze();
  bool frozen() const { return frozen_; }

  // Calls visit(page, occurrences, inTitle) for every posting of every word
  // that begins with `prefix`; within one word the pages come in order.
  template <typename Visit>
  void forEachPosting(std::string_view prefix, Visit&& visit) const;

  std::size_t wordCount() const { return frozen_ ? sortedWordEnds_.size() : growingIds_.size(); }
  std::size_t memoryUsage() const;

 private:
  static std::uint64_t varint(const std::uint8_t*& at, const std::uint8_t* end);
  template <typename Visit>
  static void decode(const std::uint8_t* at, const std::uint8_t* end, Visit& visit);
  // While adding: calls visit(word number, page, count and title) for each
  // page's words, page by page.
  template <typename Visit>
  void forEachPageWord(Visit&& visit) const;
  std::string_view sortedWord(std::size_t index) const;

  bool frozen_ = false;
  // While adding: the words by number, and the stream of each page's words
  // from pageStarts_[page] on.
  WordIds growingIds_;
  std::vector<std::uint8_t> pageWords_;
  std::vector<std::uint64_t> pageStarts_;
  // Once frozen: word i is sortedWords_[sortedWordEnds_[i-1], sortedWordEnds_[i])
  // with its postings at postings_[postingEnds_[i-1], postingEnds_[i]).
  std::string sortedWords_;
  std::vector<std::uint32_t> sortedWordEnds_;
  std::vector<std::uint8_t> postings_;
  std::vector<std::uint64_t> postingEnds_;
};

inline std::uint64_t TermTable::varint(const std::uint8_t*& at, const std::uint8_t* end) {
  std::uint64_t value = 0;
  for (int shift = 0; at < end && shift < 64; shift += 7) {
    const std::uint8_t byte = *at++;
    value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) break;
  }
  return value;
}

template <typename Visit>
void TermTable::decode(const std::uint8_t* at, const std::uint8_t* end, Visit& visit) {
  std::uint64_t page = 0;
  while (at < end) {
    page += varint(at, end);
    const std::uint64_t countAndTitle = varint(at, end);
    visit(static_cast<std::uint32_t>(page), static_cast<std::uint32_t>(countAndTitle >> 1), (countAndTitle & 1) != 0);
  }
}

template <typename Visit>
void TermTable::forEachPageWord(Visit&& visit) const {
  const std::uint8_t* at = pageWords_.data();
  const std::uint8_t* const end = at + pageWords_.size();
  for (std::uint32_t page = 0; page < pageStarts_.size(); ++page) {
    const std::uint8_t* const pageEnd = page + 1 < pageStarts_.size() ? pageWords_.data() + pageStarts_[page + 1] : end;
    while (at < pageEnd) {
      const std::uint64_t word = varint(at, pageEnd);
      visit(word, page, varint(at, pageEnd));
    }
  }
}

template <typename Visit>
void TermTable::forEachPosting(std::string_view prefix, Visit&& visit) const {
  if (!frozen_) {
    std::vector<bool> matches(growingIds_.size(), false);
    bool any = false;
    for (std::uint32_t id = 0; id < growingIds_.size(); ++id) {
      if (growingIds_.word(id).starts_with(prefix)) any = matches[id] = true;
    }
    if (!any) return;
    forEachPageWord([&](std::uint64_t word, std::uint32_t page, std::uint64_t countAndTitle) {
      if (word < matches.size() && matches[word]) {
        visit(page, static_cast<std::uint32_t>(countAndTitle >> 1), (countAndTitle & 1) != 0);
      }
    });
    return;
  }
  // The words that begin with `prefix` are one run of the sorted vocabulary.
  std::size_t low = 0;
  std::size_t high = sortedWordEnds_.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (sortedWord(middle) < prefix) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  for (std::size_t index = low; index < sortedWordEnds_.size() && sortedWord(index).starts_with(prefix); ++index) {
    const std::uint64_t begin = index == 0 ? 0 : postingEnds_[index - 1];
    decode(postings_.data() + begin, postings_.data() + postingEnds_[index], visit);
  }
}

}  // namespace pagora::search
