// ContainerTrailer: the last 24 bytes of a book, which locate every other
// section by absolute file position.
#pragma once

#include <cstdint>

namespace pagora {

class ContainerStream;

struct ContainerTrailer {
  std::int32_t headerOffset = 0;
  std::int32_t stringListOffset = 0;
  std::int32_t fileTableOffset = 0;
  std::int32_t dataBase = 0;

  // Magic, the four offsets, end magic; stops at the first item that fails.
  bool exchange(ContainerStream& stream);
};

}  // namespace pagora
