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
  auto found = ids_.find(word);
  if (found == ids_.end()) {
    found = ids_.emplace(std::string(word), static_cast<std::uint32_t>(growing_.size())).first;
    wordsById_.push_back(found->first);
    growing_.emplace_back();
  }
  GrowingPostings& postings = growing_[found->second];
  appendVarint(postings.bytes, page - postings.lastPage);
  appendVarint(postings.bytes, (static_cast<std::uint64_t>(occurrences) << 1) | (inTitle ? 1 : 0));
  postings.lastPage = page;
}

void TermTable::freeze() {
  if (frozen_) return;
  std::vector<std::uint32_t> order(wordsById_.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) { return wordsById_[a] < wordsById_[b]; });

  std::size_t wordBytes = 0;
  std::size_t postingBytes = 0;
  for (std::size_t id = 0; id < wordsById_.size(); ++id) {
    wordBytes += wordsById_[id].size();
    postingBytes += growing_[id].bytes.size();
  }
  words_.reserve(wordBytes);
  postings_.reserve(postingBytes);
  wordEnds_.reserve(order.size());
  postingEnds_.reserve(order.size());
  for (const std::uint32_t id : order) {
    words_ += wordsById_[id];
    wordEnds_.push_back(static_cast<std::uint32_t>(words_.size()));
    std::vector<std::uint8_t>& bytes = growing_[id].bytes;
    postings_.insert(postings_.end(), bytes.begin(), bytes.end());
    postingEnds_.push_back(postings_.size());
    std::vector<std::uint8_t>().swap(bytes);
  }
  // Swapped with empty ones: assigning {} would keep their storage.
  decltype(wordsById_)().swap(wordsById_);
  decltype(growing_)().swap(growing_);
  decltype(ids_)().swap(ids_);
  frozen_ = true;
}

std::string_view TermTable::frozenWord(std::size_t index) const {
  const std::uint32_t begin = index == 0 ? 0 : wordEnds_[index - 1];
  return std::string_view(words_).substr(begin, wordEnds_[index] - begin);
}

std::size_t TermTable::wordCount() const { return frozen_ ? wordEnds_.size() : wordsById_.size(); }

std::size_t TermTable::memoryUsage() const {
  std::size_t bytes = words_.capacity() + wordEnds_.capacity() * sizeof(std::uint32_t) + postings_.capacity() +
                      postingEnds_.capacity() * sizeof(std::uint64_t);
  // A hash node holds the key, the id and a link; the table a bucket each.
  for (const auto& [word, id] : ids_) bytes += sizeof(std::string) + 2 * sizeof(void*) + (word.size() > 15 ? word.capacity() + 1 : 0);
  bytes += ids_.bucket_count() * sizeof(void*) + wordsById_.capacity() * sizeof(std::string_view) +
           growing_.capacity() * sizeof(GrowingPostings);
  for (const GrowingPostings& postings : growing_) bytes += postings.bytes.capacity();
  return bytes;
}

}  // namespace pagora::search
