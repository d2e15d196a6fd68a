#include "support/scratch_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "platform/file.h"
#include "platform/temp_directory.h"

namespace pagora::testing {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& path, const std::string& what) {
  throw std::runtime_error(path + ": " + what + ": " + std::strerror(errno));
}

// Tests make read-only folders; their contents can go only once they are
// writable again.
void removeContents(const std::string& folder) {
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(folder, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  for (const auto& entry : fs::directory_iterator(folder, ignored)) fs::remove_all(entry.path(), ignored);
}

}  // namespace

ScratchFolder::ScratchFolder() {
  std::string pattern = platform::tempDirectory() + "pagora-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) fail(pattern, "cannot make a scratch folder");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  removeContents(path_);
  ::rmdir(path_.c_str());
}

void ScratchFolder::empty() const { removeContents(path_); }

void writeFile(const std::string& path, const std::string& bytes) {
  const fs::path target(path);
  std::error_code error;
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), error);
  platform::File out = platform::File::create(path, 0644);
  if (!out.isOpen()) fail(path, "cannot create");
  if (out.write(bytes.data(), bytes.size()) != static_cast<std::int64_t>(bytes.size())) fail(path, "cannot write");
}

std::string readFile(const std::string& path) {
  platform::File in = platform::File::openForReading(path);
  if (!in.isOpen()) fail(path, "cannot open");
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const std::int64_t got = in.read(buffer, sizeof buffer);
    if (got < 0) fail(path, "cannot read");
    bytes.append(buffer, static_cast<std::size_t>(got));
    if (got < static_cast<std::int64_t>(sizeof buffer)) return bytes;
  }
}

std::int64_t fileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) fail(path, "cannot look at");
  return static_cast<std::int64_t>(st.st_size);
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

unsigned modeOf(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

std::set<std::string> treeOf(const std::string& folder) {
  std::set<std::string> entries;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error); it != fs::recursive_directory_iterator();
       it.increment(error)) {
    entries.insert(it->path().lexically_relative(folder).string());
  }
  return entries;
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
