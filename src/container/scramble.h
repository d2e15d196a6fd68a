// The XOR scrambling of stored bytes: records use format::kRecordScramble,
// file data format::kDataScramble. Scrambling twice gives the bytes back.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pagora {

// XORs each of the n bytes at `bytes` with `key`, in place.
void scrambleBytes(unsigned char* bytes, std::size_t n, std::uint8_t key);

}  // namespace pagora
