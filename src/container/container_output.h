// ContainerOutput is where the storing record routines write their items: a
// file at its current position, either directly or gathered in a block that
// is written when full and by flush(), so that a file table of many records
// costs a few writes instead of several per record. The owner flushes before
// asking the file for its position or writing to it by other means.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

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

  // Write-behind only: room for up to n bytes (at most kWriteBehindSize)
  // after what is gathered, writing the block out first if it lacks room, so
  // that a caller can read straight into it; keep() then takes the bytes it
  // filled. Null when direct or n is larger, or when writing out failed
  // (errno says why then).
  unsigned char* room(std::size_t n);
  void keep(std::size_t n);
  bool gathers() const { return mode_ == Mode::WriteBehind; }

  // Bytes taken but not yet written to the file.
  std::size_t pending() const { return used_; }
  // Bytes taken so far, written or not.
  std::int64_t taken() const { return taken_; }

  platform::File& file() const { return file_; }

 private:
  platform::File& file_;
  Mode mode_;
  std::unique_ptr<unsigned char[]> block_;  // write-behind only
  std::size_t used_ = 0;                   // bytes gathered in block_
  bool failed_ = false;
  std::int64_t taken_ = 0;
};

}  // namespace pagora
