// ContainerInput is where the loading record routines read their items: a
// file from its current position, either directly (the file's position then
// stays just after each item read) or through a read-ahead block, so that a
// file table of many records costs a few reads instead of several per record.
// With read-ahead the file's own position runs ahead of what was consumed;
// its owner seeks before the next section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/file.h"

namespace pagora {

class ContainerInput {
 public:
  enum class Mode { Direct, ReadAhead };
  static constexpr std::size_t kReadAheadSize = 64 * 1024;

  // REQUIRES: `file` outlives the input and is not read or moved by others
  // while a read-ahead input is in use.
  explicit ContainerInput(platform::File& file, Mode mode = Mode::Direct);

  // As platform::File::read: the count read, less than n only at the end of
  // the file, or -1 on error.
  std::int64_t read(void* buffer, std::size_t n);
  // Bytes between the read position and the end of the file; -1 when unknown.
  std::int64_t remaining() const;

  platform::File& file() const { return file_; }

 private:
  platform::File& file_;
  Mode mode_;
  // Read-ahead only: where the next item starts, the file's size when the
  // input was made, and the unread part of the block, [next_, end_).
  std::int64_t position_ = -1;
  std::int64_t size_ = -1;
  std::vector<unsigned char> block_;
  std::size_t next_ = 0;
  std::size_t end_ = 0;
};

}  // namespace pagora
