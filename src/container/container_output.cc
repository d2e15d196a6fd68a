#include "container/container_output.h"

namespace pagora {

ContainerOutput::ContainerOutput(platform::File& file, Mode mode) : file_(file), mode_(mode) {
  if (mode_ == Mode::WriteBehind) block_.reserve(kWriteBehindSize);
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
  if (block_.size() + n > kWriteBehindSize) {
    if (!flush()) return 0;
    // A run as long as the block goes straight to the file.
    if (n >= kWriteBehindSize) {
      const std::int64_t written = file_.write(bytes, n);
      failed_ = written != static_cast<std::int64_t>(n);
      if (written > 0) taken_ += written;
      return written;
    }
  }
  block_.insert(block_.end(), bytes, bytes + n);
  taken_ += static_cast<std::int64_t>(n);
  return static_cast<std::int64_t>(n);
}

bool ContainerOutput::flush() {
  if (!block_.empty() && !failed_) {
    failed_ = file_.write(block_.data(), block_.size()) != static_cast<std::int64_t>(block_.size());
  }
  block_.clear();
  return !failed_;
}

}  // namespace pagora
