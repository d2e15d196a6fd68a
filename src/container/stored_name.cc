#include "container/stored_name.h"

#include <cctype>
#include <string_view>

namespace pagora {
namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

bool isSafeStoredName(const std::string& name) {
  if (name.empty() || isSeparator(name.front())) return false;
  if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) return false;
  if (name.find('\0') != std::string::npos) return false;
  std::size_t segmentStart = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !isSeparator(name[i])) continue;
    std::string_view segment(name.data() + segmentStart, i - segmentStart);
    if (segment.empty() || segment == "." || segment == "..") return false;
    segmentStart = i + 1;
  }
  return true;
}

std::string storedNameToRelativePath(const std::string& name) {
  std::string path = name;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::vector<std::string> parentFoldersOf(const std::string& name) {
  std::vector<std::string> folders;
  const std::string path = storedNameToRelativePath(name);
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '/') folders.push_back(path.substr(0, i + 1));
  }
  return folders;
}

}  // namespace pagora
