// Test helpers: a private folder removed with everything in it, and small
// tools to write, read and damage files byte by byte.
#pragma once

#include <cstdint>
#include <string>

namespace pagora::testing {

// A fresh folder under the temporary directory, removed recursively when the
// object goes away.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  // The path of `name` inside the folder.
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Writes `bytes` to `path`, making missing folders; fails the test on error.
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
std::int64_t fileSize(const std::string& path);

// Damage helpers for corruption tests.
unsigned char byteAt(const std::string& path, std::int64_t position);
void setByteAt(const std::string& path, std::int64_t position, unsigned char value);
void flipBitAt(const std::string& path, std::int64_t position, int bit);
void truncateFile(const std::string& path, std::int64_t size);

// `n` varied bytes, the same for the same seed.
std::string patternBytes(std::size_t n, std::uint32_t seed = 1);

}  // namespace pagora::testing
