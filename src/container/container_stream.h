// ContainerStream lets one record routine serve both directions: storing
// writes each item, loading reads and verifies it. It neither owns nor seeks
// the file; its owner positions the file first.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file.h"

namespace pagora {

class ContainerStream {
 public:
  ContainerStream(bool isStoring, platform::File& file) : isStoring_(isStoring), file_(file) {}

  bool isStoring() const { return isStoring_; }

  bool exchangeWord(std::int32_t& value);
  bool exchangeText(std::string& text);
  bool exchangeConstant(std::uint32_t value);

 private:
  bool isStoring_;
  platform::File& file_;
};

}  // namespace pagora
