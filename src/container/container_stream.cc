#include "container/container_stream.h"

#include "container/stream_primitives.h"

namespace pagora {

bool ContainerStream::exchangeWord(std::int32_t& value) {
  return isStoring_ ? writeWord(file_, value) : readWord(file_, value);
}

bool ContainerStream::exchangeText(std::string& text) {
  return isStoring_ ? writeText(file_, text) : readText(file_, text);
}

bool ContainerStream::exchangeConstant(std::uint32_t value) {
  return isStoring_ ? writeConstant(file_, value) : readConstant(file_, value);
}

}  // namespace pagora
