// The container's fixed values: magics, scrambling bytes, sizes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pagora::format {

constexpr std::uint32_t TRAILER_MAGIC = 0x0FF5E101;
constexpr std::uint32_t TRAILER_END_MAGIC = 0x0FF5E150;
constexpr std::uint32_t HEADER_MAGIC = 0x610BA101;
constexpr std::uint32_t HEADER_END_MAGIC = 0x610BA100;
constexpr std::uint32_t STRING_LIST_MAGIC = 0x12A55001;
constexpr std::uint32_t FILE_TABLE_MAGIC = 0xF11E5001;
constexpr std::uint32_t FILE_ENTRY_MAGIC = 0xAB16F11E;

// Every byte of the records is stored XOR kRecordScramble; file data XOR kDataScramble.
constexpr std::uint32_t kWordScramble = 0x6B6B6B6B;
constexpr std::uint8_t kRecordScramble = 0x6B;
constexpr std::uint8_t kDataScramble = 0x2E;

// Stored files pass through a buffer of this size on their way out. Chosen by
// measurement (bench/transfer_strategies_bench.cc): large enough that the
// calls to read and write cost little beside the copying, small enough to
// stay in the processor's cache while it is descrambled and written.
constexpr std::size_t kTransferBufferSize = 256 * 1024;

}  // namespace pagora::format
