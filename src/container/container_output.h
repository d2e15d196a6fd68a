// ContainerOutput is where the storing record routines write their items: a
// file at its current position, either directly or gathered in a block that
// is written when full and by flush(), so that a file table of many records
// costs a few writes instead of several per record. The owner flushes before
// asking the file for its position or writing to it by other means.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/file.h"

namespace pagora {

class ContainerOutput {
 public:
  enum class Mode { Direct, WriteBehind };
  static constexpr std::size_t kWriteBehindSize = 64 * 1024;

  // REQUIRES: `file` outlives the output.
  explicit ContainerOutput(platform::File& file, Mode mode = Mode::Direct);
  ContainerOutput(const ContainerOutput&) = delete;
  ContainerOutput& operator=(const ContainerOutput&) = delete;
  // Writes what is still gathered; call flush() to learn whether that worked.
  ~ContainerOutput();

  // Takes n bytes: the count taken, less than n only when writing to the file
  // failed (errno says why).
  std::int64_t write(const void* data, std::size_t n);
  // Writes everything gathered; false when this or any earlier write to the
  // file failed.
  bool flush();

  // Bytes taken but not yet written to the file.
  std::size_t pending() const { return block_.size(); }
  // Bytes taken so far, written or not.
  std::int64_t taken() const { return taken_; }

  platform::File& file() const { return file_; }

 private:
  platform::File& file_;
  Mode mode_;
  std::vector<unsigned char> block_;  // gathered bytes, write-behind only
  bool failed_ = false;
  std::int64_t taken_ = 0;
};

}  // namespace pagora
