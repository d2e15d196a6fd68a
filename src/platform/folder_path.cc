#include "platform/folder_path.h"

#include <cerrno>

namespace pagora::platform {

std::optional<std::vector<std::string>> folderSegments(std::string_view relative) {
  std::vector<std::string> segments;
  const std::size_t last = relative.rfind('/');
  if (last == std::string_view::npos) return segments;
  for (std::size_t start = 0; start <= last;) {
    const std::size_t end = relative.find('/', start);
    const std::string_view segment = relative.substr(start, end - start);
    if (segment.empty() || segment == "." || segment == ".." || segment.find('\0') != std::string_view::npos) {
      return std::nullopt;
    }
    segments.emplace_back(segment);
    start = end + 1;
  }
  return segments;
}

Directory openFolderPath(const Directory& base, std::string_view relative, const FolderWalk& walk) {
  const std::optional<std::vector<std::string>> segments = folderSegments(relative);
  if (!segments) errno = EINVAL;
  if (!base.isOpen() || !segments) return {};
  if (segments->empty()) return base.duplicate();
  Directory current;  // closed while the walk is still at `base`
  for (const std::string& name : *segments) {
    const Directory& parent = current.isOpen() ? current : base;
    Directory next = parent.openFolder(name);
    if (!next.isOpen() && errno == ENOENT && walk.makeMissing) {
      if (parent.makeFolder(name)) {
        if (walk.onMade) {
          // A base opened by a path without a final '/' still names its folders right.
          std::string made = parent.path();
          if (!made.empty() && made.back() != '/') made += '/';
          walk.onMade(made + name);
        }
      } else if (errno != EEXIST) {
        return {};
      }
      next = parent.openFolder(name);
    }
    if (!next.isOpen()) return {};
    if (walk.mustBePrivate && !next.isPrivateToUser()) {
      errno = EACCES;
      return {};
    }
    current = std::move(next);
  }
  return current;
}

}  // namespace pagora::platform
