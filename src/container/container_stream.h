// ContainerStream lets one record routine serve both directions: storing
// writes each item, loading reads and verifies it. It neither owns nor seeks
// the file; its owner positions the file first and, when storing, flushes the
// output afterwards.
#pragma once

#include <cstdint>
#include <string>

#include "container/container_input.h"
#include "container/container_output.h"

namespace pagora {

class ContainerStream {
 public:
  // A loading stream that reads through `input`, which outlives it.
  explicit ContainerStream(ContainerInput& input) : input_(&input) {}
  // A storing stream that writes through `output`, which outlives it.
  explicit ContainerStream(ContainerOutput& output) : output_(&output) {}

  bool isStoring() const { return output_ != nullptr; }

  bool exchangeWord(std::int32_t& value);
  bool exchangeText(std::string& text);
  bool exchangeConstant(std::uint32_t value);

 private:
  ContainerInput* input_ = nullptr;
  ContainerOutput* output_ = nullptr;
};

}  // namespace pagora
