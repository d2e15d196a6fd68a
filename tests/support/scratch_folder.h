// ScratchFolder: a fresh folder of one test, fuzz run or benchmark, removed
// with everything in it when the object goes away; and the few file helpers
// that tests share. Nothing here depends on a test framework: a helper that
// cannot do its job throws std::runtime_error naming the file and the
// system's reason, which GoogleTest reports as a failure of the test and
// which ends a fuzz run or a benchmark as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

namespace pagora::testing {

class ScratchFolder {
 public:
  // Under the user's temporary directory, named "pagora-test-XXXXXX".
  ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();

  // The folder's full path, without a final '/'.
  const std::string& path() const { return path_; }
  // The same ending in '/', as the session and the temporary directory take it.
  std::string folder() const { return path_ + "/"; }
  // The path of `relative` inside the folder.
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

  // Removes everything inside, leaving the folder itself.
  void empty() const;

 private:
  std::string path_;
};

// Writes `bytes` to `path`, making missing folders on the way.
void writeFile(const std::string& path, const std::string& bytes);
// The whole file; throws when it cannot be read.
std::string readFile(const std::string& path);
std::int64_t fileSize(const std::string& path);
// Whether something is at `path`; a link counts, dangling or not.
bool exists(const std::string& path);
// The permission bits of `path` itself (not of a link's target); 0 when missing.
unsigned modeOf(const std::string& path);
// Every entry below `folder`, relative to it, never following a link; empty
// when the folder is missing.
std::set<std::string> treeOf(const std::string& folder);

// `n` varied bytes, the same for the same seed.
std::string patternBytes(std::size_t n, std::uint32_t seed = 1);

}  // namespace pagora::testing
