#include "container/container_stream.h"

#include "container/coding.h"

namespace pagora {

bool ContainerStream::exchangeWord(std::int32_t& value) {
  return isStoring() ? writeWord(*output_, value) : readWord(*input_, value);
}

bool ContainerStream::exchangeText(std::string& text) {
  return isStoring() ? writeText(*output_, text) : readText(*input_, text);
}

bool ContainerStream::exchangeConstant(std::uint32_t value) {
  return isStoring() ? writeConstant(*output_, value) : readConstant(*input_, value);
}

}  // namespace pagora
