// ContainerStream lets one record routine serve both directions: storing
// writes each item, loading reads and verifies it. It neither owns nor seeks
// the file; its owner positions the file first. A stream reads or writes the
// file directly, or through a ContainerInput or ContainerOutput that its
// owner made (and flushes).
#pragma once

#include <cstdint>
#include <string>

#include "container/container_input.h"
#include "container/container_output.h"
#include "platform/file.h"

namespace pagora {

class ContainerStream {
 public:
  ContainerStream(bool isStoring, platform::File& file) : isStoring_(isStoring), file_(file) {}
  // A loading stream that reads through `input`, which outlives it.
  explicit ContainerStream(ContainerInput& input) : isStoring_(false), file_(input.file()), input_(&input) {}
  // A storing stream that writes through `output`, which outlives it.
  explicit ContainerStream(ContainerOutput& output) : isStoring_(true), file_(output.file()), output_(&output) {}

  bool isStoring() const { return isStoring_; }

  bool exchangeWord(std::int32_t& value);
  bool exchangeText(std::string& text);
  bool exchangeConstant(std::uint32_t value);

 private:
  bool isStoring_;
  platform::File& file_;
  ContainerInput* input_ = nullptr;    // null: read file_ directly
  ContainerOutput* output_ = nullptr;  // null: write file_ directly
};

}  // namespace pagora
