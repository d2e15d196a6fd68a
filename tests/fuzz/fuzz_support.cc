#include "fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/temp_directory.h"

namespace pagora::fuzz {

InputFile::InputFile(const char* name) : descriptor_(::memfd_create(name, MFD_CLOEXEC)) {
  require(descriptor_ >= 0, "memfd_create works");
  path_ = "/proc/self/fd/" + std::to_string(descriptor_);
}

InputFile::~InputFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

void InputFile::assign(const std::uint8_t* data, std::size_t size) {
  require(::ftruncate(descriptor_, 0) == 0, "the input file can be emptied");
  std::size_t done = 0;
  while (done < size) {
    const ssize_t put = ::pwrite(descriptor_, data + done, size - done, static_cast<off_t>(done));
    require(put > 0, "the input file takes the input");
    done += static_cast<std::size_t>(put);
  }
}

ScratchFolder::ScratchFolder() {
  std::string pattern = platform::tempDirectory() + "pagora-fuzz-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  require(::mkdtemp(name.data()) != nullptr, "a scratch folder can be made");
  path_ = std::string(name.data()) + "/";
  directory_ = platform::Directory::open(path_);
  require(directory_.isOpen(), "the scratch folder opens");
}

ScratchFolder::~ScratchFolder() {
  directory_.close();
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void ScratchFolder::empty() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(path_, error)) {
    std::filesystem::remove_all(entry.path(), error);
  }
}

void require(bool holds, const char* expectation) {
  if (holds) return;
  std::fprintf(stderr, "expectation failed: %s\n", expectation);
  std::abort();
}

}  // namespace pagora::fuzz
