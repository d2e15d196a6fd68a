// WordIds numbers distinct words 0, 1, 2... in the order they are first
// seen. The words lie end to end in one string and an open-addressing table
// of numbers finds them, so adding a word allocates nothing most of the time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pagora::search {

class WordIds {
 public:
  // The word's number, and true when it was new.
  std::pair<std::uint32_t, bool> insert(std::string_view word) { return insert(word, hash(word)); }
  // The same with the word's hash() known already: a word met on a page is
  // hashed once, for the page's table and the book's.
  std::pair<std::uint32_t, bool> insert(std::string_view word, std::uint64_t wordHash);
  static std::uint64_t hash(std::string_view word);
  // Asks for the slot a word of this hash would take, ahead of insert().
  void prefetch(std::uint64_t wordHash) const {
    if (!slots_.empty()) __builtin_prefetch(slots_.data() + (wordHash & (slots_.size() - 1)));
  }

  std::string_view word(std::uint32_t id) const {
    const std::uint32_t begin = id == 0 ? 0 : ends_[id - 1];
    return std::string_view(bytes_.data() + begin, ends_[id] - begin);
  }
  std::size_t size() const { return ends_.size(); }
  // Makes room for `words` words, so that many can come without rehashing.
  void reserve(std::size_t words);
  void swap(WordIds& other) noexcept {
    bytes_.swap(other.bytes_);
    ends_.swap(other.ends_);
    slots_.swap(other.slots_);
  }
  std::size_t memoryUsage() const;

 private:
  void grow();
  void rehash(std::size_t slots);

  std::string bytes_;
  std::vector<std::uint32_t> ends_;
  // Per slot: the upper half of the word's hash, then its number plus one;
  // 0 for an empty slot. The hash half spares most comparisons of words.
  std::vector<std::uint64_t> slots_;
};

}  // namespace pagora::search
