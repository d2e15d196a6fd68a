#pragma once

#include <cstdint>
#include <string_view>

namespace pagora {

// The 16-bit hash that the header's check values use; 0 for the empty text.
std::int32_t textHash(std::string_view text);

}  // namespace pagora
