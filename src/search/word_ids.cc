#include "search/word_ids.h"

#include <cstring>

namespace pagora::search {
namespace {

template <typename Word>
Word load(const char* at) {
  Word word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// Words are short: compared in a few loads that overlap, without a call.
bool sameWord(std::string_view a, std::string_view b) {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  const char* x = a.data();
  const char* y = b.data();
  if (n >= 8) {
    for (std::size_t at = 0; at + 8 < n; at += 8) {
      if (load<std::uint64_t>(x + at) != load<std::uint64_t>(y + at)) return false;
    }
    return load<std::uint64_t>(x + n - 8) == load<std::uint64_t>(y + n - 8);
  }
  if (n >= 4) {
    return load<std::uint32_t>(x) == load<std::uint32_t>(y) &&
           load<std::uint32_t>(x + n - 4) == load<std::uint32_t>(y + n - 4);
  }
  if (n >= 2) {
    return load<std::uint16_t>(x) == load<std::uint16_t>(y) &&
           load<std::uint16_t>(x + n - 2) == load<std::uint16_t>(y + n - 2);
  }
  return n == 0 || *x == *y;
}

}  // namespace

std::uint64_t WordIds::hash(std::string_view word) {
  // Eight bytes at a time, mixed by multiplication: most words fit in one or two steps.
  std::uint64_t value = 0x9E3779B97F4A7C15ULL ^ word.size();
  std::size_t at = 0;
  for (; at + 8 <= word.size(); at += 8) {
    std::uint64_t piece;
    std::memcpy(&piece, word.data() + at, 8);
    value = (value ^ piece) * 0xBF58476D1CE4E5B9ULL;
    value ^= value >> 31;
  }
  if (at < word.size()) {
    std::uint64_t piece = 0;
    for (std::size_t shift = 0; at < word.size(); ++at, shift += 8) {
      piece |= static_cast<std::uint64_t>(static_cast<unsigned char>(word[at])) << shift;
    }
    value = (value ^ piece) * 0x94D049BB133111EBULL;
  }
  return value ^ (value >> 29);
}

std::pair<std::uint32_t, bool> WordIds::insert(std::string_view word, std::uint64_t wordHash) {
  if ((ends_.size() + 1) * 4 > slots_.size() * 3) grow();
  const std::uint64_t tag = wordHash & 0xFFFFFFFF00000000ULL;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = wordHash & mask;; slot = (slot + 1) & mask) {
    const std::uint64_t taken = slots_[slot];
    if (taken == 0) {
      const auto id = static_cast<std::uint32_t>(ends_.size());
      bytes_ += word;
      ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
      slots_[slot] = tag | (id + 1);
      return {id, true};
    }
    const auto id = static_cast<std::uint32_t>(taken) - 1;
    if ((taken & 0xFFFFFFFF00000000ULL) == tag && sameWord(this->word(id), word)) return {id, false};
  }
}

void WordIds::reserve(std::size_t words) {
  std::size_t slots = 64;
  while (slots * 3 < words * 4) slots *= 2;
  if (slots > slots_.size()) rehash(slots);
  ends_.reserve(words);
}

void WordIds::grow() { rehash(slots_.empty() ? 64 : slots_.size() * 2); }

void WordIds::rehash(std::size_t size) {
  std::vector<std::uint64_t> slots(size, 0);
  const std::size_t mask = slots.size() - 1;
  for (const std::uint64_t taken : slots_) {
    if (taken == 0) continue;
    const std::uint64_t wordHash = hash(word(static_cast<std::uint32_t>(taken) - 1));
    std::size_t slot = wordHash & mask;
    while (slots[slot] != 0) slot = (slot + 1) & mask;
    slots[slot] = taken;
  }
  slots_.swap(slots);
}

std::size_t WordIds::memoryUsage() const {
  return bytes_.capacity() + ends_.capacity() * sizeof(std::uint32_t) + slots_.capacity() * sizeof(std::uint64_t);
}

}  // namespace pagora::search
