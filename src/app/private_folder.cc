#include "app/private_folder.h"

#include <cerrno>
#include <climits>
#include <optional>
#include <string_view>
#include <vector>

#include "app/temp_file_registry.h"
#include "container/book_loader.h"
#include "container/stored_name.h"
#include "platform/file.h"
#include "platform/notice.h"
#include "platform/temp_directory.h"

namespace pagora {
namespace {

constexpr const char* kFolderFailure = "Not enough disk space or other file error!";
constexpr const char* kWriteFailure = "Disk error - out of space ?";

// Process-wide: whether the private folder was made, and the folder itself,
// held open so every later write is relative to what was verified.
struct PrivateFolderState {
  bool made = false;
  platform::Directory folder;
};

PrivateFolderState& privateFolderState() {
  static PrivateFolderState state;
  return state;
}

// The folders of a relative path, up to its last '/' (what follows is never a
// folder); nullopt when a segment is empty, "." or "..", or holds a NUL byte,
// so that the path could leave its base.
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

// Opens, making where missing, each folder of `relative` below `base`. Every
// step is relative to its parent's descriptor and refuses links, so nothing
// outside `base` can be reached. Each folder made is registered by its full
// path. With `mustBePrivate`, a folder that someone else owns or may write
// into ends the walk. Closed on failure.
platform::Directory openFolders(const platform::Directory& base, std::string_view relative, bool mustBePrivate) {
  const std::optional<std::vector<std::string>> segments = folderSegments(relative);
  if (!base.isOpen() || !segments) return {};
  if (segments->empty()) return platform::Directory::open(base.path());
  platform::Directory current;  // closed while the walk is still at `base`
  for (const std::string& name : *segments) {
    const platform::Directory& parent = current.isOpen() ? current : base;
    platform::Directory next = parent.openFolder(name);
    if (!next.isOpen() && errno == ENOENT) {
      if (parent.makeFolder(name)) {
        TempFileRegistry::instance().addFolder(parent.path() + name);
      } else if (errno != EEXIST) {
        return {};
      }
      next = parent.openFolder(name);
    }
    if (!next.isOpen() || (mustBePrivate && !next.isPrivateToUser())) return {};
    current = std::move(next);
  }
  return current;
}

// The verified folder at `path`, made where missing, or closed. The
// temporary directory is the reader's own choice and may be reached through
// links; below it, nothing is.
platform::Directory openBelowTemporaryDirectory(const std::string& path) {
  const std::string temp = platform::tempDirectory();
  if (path.compare(0, temp.size(), temp) != 0 || !fitsSystemPathLimit(path)) return {};
  const platform::Directory tempFolder = platform::Directory::open(temp);
  return openFolders(tempFolder, std::string_view(path).substr(temp.size()), true);
}

}  // namespace

bool fitsSystemPathLimit(const std::string& fullPath) { return fullPath.size() < PATH_MAX; }

bool createFolderPath(const std::string& path) { return openBelowTemporaryDirectory(path).isOpen(); }

std::string privateFolderPath() {
  // '\\' in the esbn separates folders, as it does in stored names.
  const std::string path =
      platform::tempDirectory() + storedNameToRelativePath(BookLoader::instance().esbn()) + ".qvx/";
  PrivateFolderState& state = privateFolderState();
  if (!state.made) {
    state.folder = openBelowTemporaryDirectory(path);
    state.made = state.folder.isOpen();
    if (!state.made) platform::showNotice(kFolderFailure, platform::NoticeIcon::Warning);
  }
  return path;
}

const platform::Directory& privateFolder() { return privateFolderState().folder; }

bool makeFoldersInPrivateFolder(const std::string& relativeFolder) {
  return openFoldersInPrivateFolder(relativeFolder).isOpen();
}

platform::Directory openFoldersInPrivateFolder(const std::string& relativeFolder) {
  return openFolders(privateFolder(), relativeFolder, false);
}

bool writeTempFile(const std::string& path, const void* data, std::uint32_t length) {
  // Only a path inside the folder privateFolderPath() made and verified is
  // written; this neither makes nor asks for the folder again.
  const platform::Directory& folder = privateFolder();
  const std::string& folderPath = folder.path();
  const bool insideFolder = path.size() > folderPath.size() && path.compare(0, folderPath.size(), folderPath) == 0 &&
                            isSafeStoredName(path.substr(folderPath.size())) && fitsSystemPathLimit(path);
  platform::File file;
  if (folder.isOpen() && insideFolder) file = platform::File::createIn(folder, path.substr(folderPath.size()));
  if (!file.isOpen()) {
    platform::showNotice(kWriteFailure, platform::NoticeIcon::Warning);
    return false;
  }
  // Registered before writing, so that a partial file is removed at exit too.
  TempFileRegistry::instance().addFile(path);
  const bool complete = file.write(data, length) == static_cast<std::int64_t>(length);
  file.close();
  if (!complete) {
    platform::showNotice(kWriteFailure, platform::NoticeIcon::Warning);
    return false;
  }
  return true;
}

}  // namespace pagora
