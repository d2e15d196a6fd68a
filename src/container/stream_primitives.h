// The container's primitive items, read or written at a file's current
// position. Words are 32-bit little-endian XOR 0x6B6B6B6B; bytes XOR 0x6B; a
// text is a length word and that many bytes. Each returns false on failure
// and shows nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "container/container_input.h"
#include "container/container_output.h"
#include "platform/file.h"

namespace pagora {

bool writeWord(ContainerOutput& out, std::int32_t value);
bool writeBytes(ContainerOutput& out, const void* bytes, std::size_t n);
bool writeText(ContainerOutput& out, const std::string& text);
bool writeConstant(ContainerOutput& out, std::uint32_t value);

// The same, writing `file` directly at its current position.
bool writeWord(platform::File& file, std::int32_t value);
bool writeBytes(platform::File& file, const void* bytes, std::size_t n);
bool writeText(platform::File& file, const std::string& text);
bool writeConstant(platform::File& file, std::uint32_t value);

bool readWord(ContainerInput& in, std::int32_t& out);
bool readBytes(ContainerInput& in, void* buffer, std::size_t n);
// A text holding a zero byte reads back cut before it.
bool readText(ContainerInput& in, std::string& out);
bool readConstant(ContainerInput& in, std::uint32_t expected);

// The same, reading `file` directly at its current position.
bool readWord(platform::File& file, std::int32_t& out);
bool readBytes(platform::File& file, void* buffer, std::size_t n);
bool readText(platform::File& file, std::string& out);
bool readConstant(platform::File& file, std::uint32_t expected);

}  // namespace pagora
