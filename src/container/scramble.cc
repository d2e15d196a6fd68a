#include "container/scramble.h"

#include <cstring>

namespace pagora {

void scrambleBytes(unsigned char* bytes, std::size_t n, std::uint8_t key) {
  // 32 bytes at a time: the load scrambles every byte of every stored file,
  // and a byte loop would cost more than reading and writing them.
  const std::uint64_t wideKey = 0x0101010101010101ull * key;
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    std::uint64_t words[4];
    std::memcpy(words, bytes + i, sizeof words);
    for (std::uint64_t& word : words) word ^= wideKey;
    std::memcpy(bytes + i, words, sizeof words);
  }
  for (; i < n; ++i) bytes[i] ^= key;
}

}  // namespace pagora
