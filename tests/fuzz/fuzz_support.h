// What the harnesses share: an in-memory file that holds the current input
// under a path, a scratch folder emptied after every input, and a check that
// stops the run, as a crash, when an expectation beyond the sanitizers' fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/directory.h"

namespace pagora::fuzz {

// A memfd reached as /proc/self/fd/N, so that code which opens a path reads
// the input without touching the disk. One per process, reused for each input.
class InputFile {
 public:
  explicit InputFile(const char* name);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Replaces the contents with `size` bytes at `data`.
  void assign(const std::uint8_t* data, std::size_t size);
  const std::string& path() const { return path_; }
  int descriptor() const { return descriptor_; }

 private:
  int descriptor_ = -1;
  std::string path_;
};

// A fresh folder under the temporary directory, removed with everything in
// it when the object goes away.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const platform::Directory& directory() const { return directory_; }
  const std::string& path() const { return path_; }  // ends in '/'
  // Removes everything inside, leaving the folder itself.
  void empty();

 private:
  std::string path_;
  platform::Directory directory_;
};

// Aborts, naming the expectation, when `holds` is false.
void require(bool holds, const char* expectation);

}  // namespace pagora::fuzz
