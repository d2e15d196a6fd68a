#include "search/term_table.h"

#include <algorithm>
#include <numeric>

namespace pagora::search {
namespace {

void appendVarint(std::vector<std::uint8_t>& out, std::uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<std::uint8_t>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<std::uint8_t>(value));
}

std::uint8_t* putVarint(std::uint8_t* out, std::uint64_t value) {
  while (value >= 0x80) {
    *out++ = static_cast<std::uint8_t>(value | 0x80);
    value >>= 7;
  }
  *out++ = static_cast<std::uint8_t>(value);
  return out;
}

std::size_t varintLength(std::uint64_t value) {
  std::size_t length = 1;
  for (; value >= 0x80; value >>= 7) ++length;
  return length;
}

}  // namespace

void TermTable::add(std::string_view word, std::uint64_t hash, std::uint32_t page, std::uint32_t occurrences,
                    bool inTitle) {
  // Pages with no words before this one get empty runs of the stream.
  while (pageStarts_.size() <= page) pageStarts_.push_back(pageWords_.size());
  appendVarint(pageWords_, growingIds_.insert(word, hash).first);
  appendVarint(pageWords_, (static_cast<std::uint64_t>(occurrences) << 1) | (inTitle ? 1 : 0));
}

void TermTable::freeze() {
  if (frozen_) return;
  const std::size_t words = growingIds_.size();
  std::vector<std::uint32_t> order(words);
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(),
            [this](std::uint32_t a, std::uint32_t b) { return growingIds_.word(a) < growingIds_.word(b); });

  // How many bytes each word's postings take, then where each goes, in the
  // sorted order; then every posting written in its place.
  std::vector<std::uint32_t> lastPage(words, 0);
  std::vector<std::uint64_t> place(words, 0);
  forEachPageWord([&](std::uint64_t word, std::uint32_t page, std::uint64_t countAndTitle) {
    place[word] += varintLength(page - lastPage[word]) + varintLength(countAndTitle);
    lastPage[word] = page;
  });
  sortedWordEnds_.reserve(words);
  postingEnds_.reserve(words);
  std::size_t wordBytes = 0;
  for (std::uint32_t id = 0; id < words; ++id) wordBytes += growingIds_.word(id).size();
  sortedWords_.reserve(wordBytes);
  std::uint64_t offset = 0;
  for (const std::uint32_t id : order) {
    sortedWords_ += growingIds_.word(id);
    sortedWordEnds_.push_back(static_cast<std::uint32_t>(sortedWords_.size()));
    const std::uint64_t length = place[id];
    place[id] = offset;
    offset += length;
    postingEnds_.push_back(offset);
  }
  postings_.resize(offset);
  std::fill(lastPage.begin(), lastPage.end(), 0);
  forEachPageWord([&](std::uint64_t word, std::uint32_t page, std::uint64_t countAndTitle) {
    std::uint8_t* at = postings_.data() + place[word];
    at = putVarint(at, page - lastPage[word]);
    at = putVarint(at, countAndTitle);
    place[word] = static_cast<std::uint64_t>(at - postings_.data());
    lastPage[word] = page;
  });
  // Swapped with empty ones: assigning {} would keep their storage.
  WordIds().swap(growingIds_);
  std::vector<std::uint8_t>().swap(pageWords_);
  std::vector<std::uint64_t>().swap(pageStarts_);
  frozen_ = true;
}

std::string_view TermTable::sortedWord(std::size_t index) const {
  const std::uint32_t begin = index == 0 ? 0 : sortedWordEnds_[index - 1];
  return std::string_view(sortedWords_).substr(begin, sortedWordEnds_[index] - begin);
}

std::size_t TermTable::memoryUsage() const {
  return growingIds_.memoryUsage() + pageWords_.capacity() + pageStarts_.capacity() * sizeof(std::uint64_t) +
         sortedWords_.capacity() + sortedWordEnds_.capacity() * sizeof(std::uint32_t) + postings_.capacity() +
         postingEnds_.capacity() * sizeof(std::uint64_t);
}

}  // namespace pagora::search
