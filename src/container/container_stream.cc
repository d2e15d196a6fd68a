#include "container/container_stream.h"

#include "container/stream_primitives.h"

namespace pagora {

bool ContainerStream::exchangeWord(std::int32_t& value) {
  if (isStoring_) return output_ != nullptr ? writeWord(*output_, value) : writeWord(file_, value);
  return input_ != nullptr ? readWord(*input_, value) : readWord(file_, value);
}

bool ContainerStream::exchangeText(std::string& text) {
  if (isStoring_) return output_ != nullptr ? writeText(*output_, text) : writeText(file_, text);
  return input_ != nullptr ? readText(*input_, text) : readText(file_, text);
}

bool ContainerStream::exchangeConstant(std::uint32_t value) {
  if (isStoring_) return output_ != nullptr ? writeConstant(*output_, value) : writeConstant(file_, value);
  return input_ != nullptr ? readConstant(*input_, value) : readConstant(file_, value);
}

}  // namespace pagora
