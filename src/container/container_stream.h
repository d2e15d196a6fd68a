// ContainerStream lets one record routine serve both directions: storing
// writes each item, loading reads and verifies it. It neither owns nor seeks
// the file; its owner positions the file first. A loading stream reads the
// file directly, or through a ContainerInput that its owner made.
#pragma once

#include <cstdint>
#include <string>

#include "container/container_input.h"
#include "platform/file.h"

namespace pagora {

class ContainerStream {
 public:
  ContainerStream(bool isStoring, platform::File& file) : isStoring_(isStoring), file_(file) {}
  // A loading stream that reads through `input`, which outlives it.
  explicit ContainerStream(ContainerInput& input) : isStoring_(false), file_(input.file()), input_(&input) {}

  bool isStoring() const { return isStoring_; }

  bool exchangeWord(std::int32_t& value);
  bool exchangeText(std::string& text);
  bool exchangeConstant(std::uint32_t value);

 private:
  bool isStoring_;
  platform::File& file_;
  ContainerInput* input_ = nullptr;  // null: read file_ directly
};

}  // namespace pagora
