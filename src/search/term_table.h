// TermTable maps each folded word of a book to its postings: the pages that
// hold it, each with how often and whether in its title, packed as varints
// (page numbers as the gap from the one before). While pages are added the
// words are numbered in a hash table and a lookup by beginning scans them
// all; freeze() sorts them into one packed vocabulary, where a lookup by
// beginning is a binary search. Not thread-safe: SearchIndex guards it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/word_ids.h"

namespace pagora::search {

class TermTable {
 public:
  // Pages are added in increasing order of `page`; each word once per page.
  void add(std::string_view word, std::uint32_t page, std::uint32_t occurrences, bool inTitle);

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
  struct GrowingPostings {
    std::vector<std::uint8_t> bytes;
    std::uint32_t lastPage = 0;
  };
  template <typename Visit>
  static void decode(const std::uint8_t* at, const std::uint8_t* end, Visit& visit);
  std::string_view sortedWord(std::size_t index) const;

  bool frozen_ = false;
  // While adding: postings by word number.
  WordIds growingIds_;
  std::vector<GrowingPostings> growing_;
  // Once frozen: word i is sortedWords_[sortedWordEnds_[i-1], sortedWordEnds_[i])
  // with its postings at postings_[postingEnds_[i-1], postingEnds_[i]).
  std::string sortedWords_;
  std::vector<std::uint32_t> sortedWordEnds_;
  std::vector<std::uint8_t> postings_;
  std::vector<std::uint64_t> postingEnds_;
};

template <typename Visit>
void TermTable::decode(const std::uint8_t* at, const std::uint8_t* end, Visit& visit) {
  auto varint = [&at, end]() {
    std::uint64_t value = 0;
    for (int shift = 0; at < end && shift < 64; shift += 7) {
      const std::uint8_t byte = *at++;
      value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
      if ((byte & 0x80) == 0) break;
    }
    return value;
  };
  std::uint64_t page = 0;
  while (at < end) {
    page += varint();
    const std::uint64_t countAndTitle = varint();
    visit(static_cast<std::uint32_t>(page), static_cast<std::uint32_t>(countAndTitle >> 1), (countAndTitle & 1) != 0);
  }
}

template <typename Visit>
void TermTable::forEachPosting(std::string_view prefix, Visit&& visit) const {
  if (!frozen_) {
    for (std::uint32_t id = 0; id < growingIds_.size(); ++id) {
      if (!growingIds_.word(id).starts_with(prefix)) continue;
      const std::vector<std::uint8_t>& bytes = growing_[id].bytes;
      decode(bytes.data(), bytes.data() + bytes.size(), visit);
    }
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
