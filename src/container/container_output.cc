#include "container/container_output.h"

#include <cstring>

namespace pagora {

ContainerOutput::ContainerOutput(platform::File& file, Mode mode) : file_(file), mode_(mode) {
  if (mode_ == Mode::WriteBehind) block_ = std::make_unique_for_overwrite<unsigned char[]>(kWriteBehindSize);
}

ContainerOutput::~ContainerOutput() { flush(); }

std::int64_t ContainerOutput::write(const void* data, std::size_t n) {
  if (mode_ == Mode::Direct) {
    const std::int64_t written = file_.write(data, n);
    if (written > 0) taken_ += written;
    return written;
  }
  if (failed_) return 0;
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (used_ + n > kWriteBehindSize) {
    if (!flush()) return 0;
    // A run as long as the block goes straight to the file.
    if (n >= kWriteBehindSize) {
      const std::int64_t written = file_.write(bytes, n);
      failed_ = written != static_cast<std::int64_t>(n);
      if (written > 0) taken_ += written;
      return written;
    }
  }
  if (n > 0) std::memcpy(block_.get() + used_, bytes, n);
  used_ += n;
  taken_ += static_cast<std::int64_t>(n);
  return static_cast<std::int64_t>(n);
}

unsigned char* ContainerOutput::room(std::size_t n) {
  if (mode_ == Mode::Direct || failed_ || n > kWriteBehindSize) return nullptr;
  if (used_ + n > kWriteBehindSize && !flush()) return nullptr;
  return block_.get() + used_;
}

void ContainerOutput::keep(std::size_t n) {
  used_ += n;
  taken_ += static_cast<std::int64_t>(n);
}

bool ContainerOutput::flush() {
  if (used_ > 0 && !failed_) {
    failed_ = file_.write(block_.get(), used_) != static_cast<std::int64_t>(used_);
  }
  used_ = 0;
  return !failed_;
}

}  // namespace pagora
