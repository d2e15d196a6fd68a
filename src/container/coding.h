// How the container encodes its items. A word is 32 bits, little-endian, XOR
// format::kWordScramble; a byte of a text is XOR format::kRecordScramble; a
// text is its length as a word, then that many bytes. Byte order is done here
// and nowhere else. The read and write routines return false on failure and
// show nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "container/container_input.h"
#include "container/container_output.h"

namespace pagora {

inline constexpr std::int64_t kWordSize = 4;

// The four bytes of `value`, least significant first.
inline void encodeFixed32(std::uint32_t value, unsigned char out[4]) {
  out[0] = static_cast<unsigned char>(value);
  out[1] = static_cast<unsigned char>(value >> 8);
  out[2] = static_cast<unsigned char>(value >> 16);
  out[3] = static_cast<unsigned char>(value >> 24);
}

inline std::uint32_t decodeFixed32(const unsigned char in[4]) {
  return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
         (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

// The bytes a text of `length` bytes takes in a record.
inline constexpr std::int64_t encodedTextSize(std::size_t length) {
  return kWordSize + static_cast<std::int64_t>(length);
}

bool writeWord(ContainerOutput& out, std::int32_t value);
bool writeBytes(ContainerOutput& out, const void* bytes, std::size_t n);
bool writeText(ContainerOutput& out, const std::string& text);
bool writeConstant(ContainerOutput& out, std::uint32_t value);

bool readWord(ContainerInput& in, std::int32_t& out);
bool readBytes(ContainerInput& in, void* buffer, std::size_t n);
// A text holding a zero byte reads back cut before it.
bool readText(ContainerInput& in, std::string& out);
bool readConstant(ContainerInput& in, std::uint32_t expected);

}  // namespace pagora
