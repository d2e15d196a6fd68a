#include "container/container_trailer.h"

#include "container/container_stream.h"
#include "container/format.h"

namespace pagora {

bool ContainerTrailer::exchange(ContainerStream& stream) {
  return stream.exchangeConstant(format::TRAILER_MAGIC) && stream.exchangeWord(headerOffset) &&
         stream.exchangeWord(stringListOffset) && stream.exchangeWord(fileTableOffset) &&
         stream.exchangeWord(dataBase) && stream.exchangeConstant(format::TRAILER_END_MAGIC);
}

}  // namespace pagora
