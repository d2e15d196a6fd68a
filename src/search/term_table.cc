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

}  // namespace

void TermTable::add(std::string_view word, std::uint32_t page, std::uint32_t occurrences, bool inTitle) {
  const auto [id, added] = growingIds_.insert(word);
  if (added) growing_.emplace_back();
  GrowingPostings& postings = growing_[id];
  appendVarint(postings.bytes, page - postings.lastPage);
  appendVarint(postings.bytes, (static_cast<std::uint64_t>(occurrences) << 1) | (inTitle ? 1 : 0));
  postings.lastPage = page;
}

void TermTable::freeze() {
  if (frozen_) return;
  std::vector<std::uint32_t> order(growingIds_.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(),
            [this](std::uint32_t a, std::uint32_t b) { return growingIds_.word(a) < growingIds_.word(b); });

  std::size_t wordBytes = 0;
  std::size_t postingBytes = 0;
  for (std::uint32_t id = 0; id < growingIds_.size(); ++id) {
    wordBytes += growingIds_.word(id).size();
    postingBytes += growing_[id].bytes.size();
  }
  sortedWords_.reserve(wordBytes);
  postings_.reserve(postingBytes);
  sortedWordEnds_.reserve(order.size());
  postingEnds_.reserve(order.size());
  for (const std::uint32_t id : order) {
    sortedWords_ += growingIds_.word(id);
    sortedWordEnds_.push_back(static_cast<std::uint32_t>(sortedWords_.size()));
    std::vector<std::uint8_t>& bytes = growing_[id].bytes;
    postings_.insert(postings_.end(), bytes.begin(), bytes.end());
    postingEnds_.push_back(postings_.size());
    std::vector<std::uint8_t>().swap(bytes);
  }
  // Swapped with empty ones: assigning {} would keep their storage.
  WordIds().swap(growingIds_);
  decltype(growing_)().swap(growing_);
  frozen_ = true;
}

std::string_view TermTable::sortedWord(std::size_t index) const {
  const std::uint32_t begin = index == 0 ? 0 : sortedWordEnds_[index - 1];
  return std::string_view(sortedWords_).substr(begin, sortedWordEnds_[index] - begin);
}

std::size_t TermTable::memoryUsage() const {
  std::size_t bytes = growingIds_.memoryUsage() + growing_.capacity() * sizeof(GrowingPostings) +
                      sortedWords_.capacity() + sortedWordEnds_.capacity() * sizeof(std::uint32_t) +
                      postings_.capacity() + postingEnds_.capacity() * sizeof(std::uint64_t);
  for (const GrowingPostings& postings : growing_) bytes += postings.bytes.capacity();
  return bytes;
}

}  // namespace pagora::search
