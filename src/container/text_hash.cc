#include "container/text_hash.h"

namespace pagora {

std::int32_t textHash(std::string_view text) {
  if (text.empty()) return 0;
  std::uint32_t accumulated = 0;
  std::int32_t runningSum = 0;  // wraps as a signed 32-bit value would
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t byte = static_cast<unsigned char>(text[i]);
    runningSum = static_cast<std::int32_t>(static_cast<std::uint32_t>(runningSum) + byte +
                                           static_cast<std::uint32_t>(i));
    std::int32_t shift = runningSum % 24;  // truncated toward zero: may be negative
    accumulated ^= shift > 0 ? byte << shift : byte;
  }
  return static_cast<std::int32_t>((accumulated >> 16) ^ (accumulated & 0xFFFF));
}

}  // namespace pagora
