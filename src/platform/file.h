// File owns one open POSIX file descriptor and closes it when it goes away.
// Reads and writes loop over short transfers and EINTR, so a short count means
// end of file (reads) or a real failure (writes); errno then says why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pagora::platform {

class Directory;

class File {
 public:
  File() = default;
  explicit File(int descriptor) noexcept : descriptor_(descriptor) {}
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // open(O_RDONLY | O_CLOEXEC). Not open on failure, with errno set.
  static File openForReading(const std::string& path);
  // Creates or empties `name` inside `folder`, mode 0600, never through a
  // symbolic link (O_NOFOLLOW) and never anything but a regular file (EINVAL
  // for a FIFO or device in its place). `name` is relative and may hold '/'.
  static File createIn(const Directory& folder, const std::string& name);
  // Creates or empties `path` (O_WRONLY | O_CREAT | O_TRUNC, the given mode).
  static File create(const std::string& path, unsigned mode);

  bool isOpen() const { return descriptor_ >= 0; }
  int descriptor() const { return descriptor_; }
  void close();

  // Reads up to n bytes; returns the count read (less than n only at end of
  // file) or -1 on error.
  std::int64_t read(void* buffer, std::size_t n);
  // The same from an absolute position, leaving the file's own position alone.
  std::int64_t readAt(void* buffer, std::size_t n, std::int64_t position);
  // Writes n bytes; returns the count written (less than n only on error).
  std::int64_t write(const void* data, std::size_t n);
  // The same at an absolute position, leaving the file's own position alone.
  std::int64_t writeAt(const void* data, std::size_t n, std::int64_t position);

  // Moves to an absolute position; false for a negative position or a failed seek.
  bool seek(std::int64_t position);
  // The current position, or -1.
  std::int64_t position() const;
  // The size of the file, or -1.
  std::int64_t size() const;

 private:
  int descriptor_ = -1;
};

}  // namespace pagora::platform
