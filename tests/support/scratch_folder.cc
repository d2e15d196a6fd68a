#include "support/scratch_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/temp_directory.h"

namespace pagora::testing {

ScratchFolder::ScratchFolder() {
  std::string pattern = platform::tempDirectory() + "pagora-test-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) {
    ADD_FAILURE() << "cannot make a scratch folder from " << pattern;
    return;
  }
  path_ = name.data();
}

ScratchFolder::~ScratchFolder() {
  if (path_.empty()) return;
  std::error_code ignored;
  // Tests make read-only folders too; give them back their write bit first.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
  }
  std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::filesystem::path target(path);
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::int64_t fileSize(const std::string& path) {
  return static_cast<std::int64_t>(std::filesystem::file_size(path));
}

unsigned char byteAt(const std::string& path, std::int64_t position) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(position);
  char c = 0;
  in.get(c);
  EXPECT_TRUE(in.good()) << "no byte at " << position << " in " << path;
  return static_cast<unsigned char>(c);
}

void setByteAt(const std::string& path, std::int64_t position, unsigned char value) {
  std::fstream io(path, std::ios::binary | std::ios::in | std::ios::out);
  io.seekp(position);
  io.put(static_cast<char>(value));
  ASSERT_TRUE(io.good()) << "cannot change byte " << position << " of " << path;
}

void flipBitAt(const std::string& path, std::int64_t position, int bit) {
  setByteAt(path, position, static_cast<unsigned char>(byteAt(path, position) ^ (1u << bit)));
}

void truncateFile(const std::string& path, std::int64_t size) {
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0) << path;
}

std::string patternBytes(std::size_t n, std::uint32_t seed) {
  std::string bytes(n, '\0');
  std::uint32_t state = seed * 2654435761u + 1;
  for (char& c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 16);
  }
  return bytes;
}

}  // namespace pagora::testing
