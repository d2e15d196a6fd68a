#include "support/shared_books.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "support/scratch_folder.h"

namespace pagora::testing {
namespace {

namespace fs = std::filesystem;

// A stand-in names one file, so it is tiny.
constexpr std::uintmax_t kLongestStandIn = 100;

}  // namespace

std::string sharedBooksFolder() {
  const char* chosen = std::getenv("PAGORA_SHARED_BOOKS");
  std::string folder = fs::path(chosen != nullptr && *chosen != '\0' ? chosen : PAGORA_SHARED_BOOKS).lexically_normal();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::error_code error;
  return fs::is_directory(folder, error) ? folder : std::string();
}

void copyTree(const std::string& from, const std::string& to) {
  fs::create_directories(to);
  for (const auto& entry : fs::recursive_directory_iterator(from)) {
    const fs::path target = to / entry.path().lexically_relative(from);
    if (entry.is_symlink()) {
      fs::copy_symlink(entry.path(), target);
    } else if (entry.is_directory()) {
      fs::create_directories(target);
    } else {
      fs::copy_file(entry.path(), target);
      fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    }
  }
}

int relinkStandIns(const std::string& tree) {
  int links = 0;
  std::vector<fs::path> standIns;
  for (const auto& entry : fs::recursive_directory_iterator(tree)) {
    if (entry.is_symlink()) {
      ++links;
      continue;
    }
    if (!entry.is_regular_file() || entry.file_size() > kLongestStandIn) continue;
    const std::string target = readFile(entry.path().string());
    if (target.empty() || target.find_first_of("/\n\0", 0, 3) != std::string::npos) continue;
    const fs::path beside = entry.path().parent_path() / target;
    if (beside != entry.path() && fs::is_regular_file(fs::symlink_status(beside))) standIns.push_back(entry.path());
  }
  for (const fs::path& path : standIns) {
    const std::string target = readFile(path.string());
    fs::remove(path);
    fs::create_symlink(target, path);
    ++links;
  }
  return links;
}

std::vector<std::string> filesBelow(const std::string& root) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root, fs::directory_options::follow_directory_symlink)) {
    if (entry.is_regular_file()) files.push_back(entry.path().lexically_relative(root).string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace pagora::testing
