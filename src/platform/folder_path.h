// Walking down a relative folder path from an open folder, one segment at a
// time, each step relative to its parent's descriptor and never through a
// link, so nothing outside the base folder can be reached.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/directory.h"

namespace pagora::platform {

struct FolderWalk {
  // Folders that do not exist are made (0700).
  bool makeMissing = true;
  // A folder that someone else owns or may write into ends the walk.
  bool mustBePrivate = false;
  // Told the full path of each folder made, as it is made.
  std::function<void(const std::string& fullPath)> onMade;
};

// The folders of a relative path, up to its last '/' (what follows is never a
// folder); nullopt when a segment is empty, "." or "..", or holds a NUL byte,
// so that the path could leave its base.
std::optional<std::vector<std::string>> folderSegments(std::string_view relative);

// The deepest folder of `relative` below `base`, open; `base` itself (a new
// descriptor) when `relative` names no folder. Closed on failure, with errno
// set (EINVAL for a path that could leave `base`, EACCES for a folder that is
// not private when it must be).
Directory openFolderPath(const Directory& base, std::string_view relative, const FolderWalk& walk);

}  // namespace pagora::platform
