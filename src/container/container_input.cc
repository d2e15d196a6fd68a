#include "container/container_input.h"

#include <algorithm>
#include <cstring>

namespace pagora {

ContainerInput::ContainerInput(platform::File& file, Mode mode) : file_(file), mode_(mode) {
  if (mode_ == Mode::ReadAhead) {
    position_ = file_.position();
    size_ = file_.size();
  }
}

std::int64_t ContainerInput::read(void* buffer, std::size_t n) {
  if (mode_ == Mode::Direct) return file_.read(buffer, n);
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    if (next_ == end_) {
      // A run longer than the block (a long text) goes straight to the caller.
      if (n - done >= kReadAheadSize) {
        const std::int64_t got = file_.read(out + done, n - done);
        if (got < 0) return done > 0 ? static_cast<std::int64_t>(done) : -1;
        done += static_cast<std::size_t>(got);
        position_ += got;
        break;
      }
      if (block_.empty()) block_.resize(kReadAheadSize);
      const std::int64_t got = file_.read(block_.data(), block_.size());
      if (got < 0) return done > 0 ? static_cast<std::int64_t>(done) : -1;
      if (got == 0) break;
      next_ = 0;
      end_ = static_cast<std::size_t>(got);
    }
    const std::size_t take = std::min(n - done, end_ - next_);
    std::memcpy(out + done, block_.data() + next_, take);
    next_ += take;
    done += take;
    position_ += static_cast<std::int64_t>(take);
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t ContainerInput::remaining() const {
  const std::int64_t size = mode_ == Mode::Direct ? file_.size() : size_;
  const std::int64_t position = mode_ == Mode::Direct ? file_.position() : position_;
  if (size < 0 || position < 0) return -1;
  return size > position ? size - position : 0;
}

}  // namespace pagora
