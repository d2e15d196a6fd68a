// ContainerTrailer: the last bytes of a book, which locate every other
// section by absolute file position.
#pragma once

#include <cstdint>

namespace pagora {

class ContainerStream;

struct ContainerTrailer {
  // Magic, the four offsets, end magic: six words.
  static constexpr std::int64_t kEncodedSize = 24;

  std::int32_t headerOffset = 0;
  std::int32_t stringListOffset = 0;
  std::int32_t fileTableOffset = 0;
  std::int32_t dataBase = 0;

  // The trailer in both directions; stops at the first item that fails.
  bool exchange(ContainerStream& stream);

  bool operator==(const ContainerTrailer&) const = default;
};

}  // namespace pagora
