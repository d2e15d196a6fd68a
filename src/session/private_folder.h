// PrivateFolder: the book's private folder, the temporary directory followed
// by the book's esbn and ".qvx/". It is made (0700) on first use and used only
// when it is a real folder owned by the reader and writable by nobody else;
// every file is then written relative to that verified folder, never through
// a link. Every folder made and file written is recorded in the registry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/directory.h"
#include "session/notice.h"
#include "session/temp_file_registry.h"

namespace pagora {

// Said when the private folder cannot be made or is not safe to use.
inline constexpr char kFolderFailureNotice[] = "Not enough disk space or other file error!";
// Said when a file the viewer writes itself cannot be written.
inline constexpr char kWriteFailureNotice[] = "Disk error - out of space ?";

class PrivateFolder {
 public:
  // REQUIRES: `registry` outlives the folder; `temporaryDirectory` ends in '/'.
  PrivateFolder(TempFileRegistry& registry, std::string temporaryDirectory);
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  // Makes and verifies the folder for `esbn` ('\\' and '/' in it separate
  // folders) unless that was done before: each call while it is not made
  // tries again, and each failure gives the failure notice.
  std::optional<Notice> make(const std::string& esbn);

  // The folder's full path, ending in '/', as the last make() named it,
  // whether or not it could be made; empty before.
  const std::string& path() const { return path_; }
  // The verified folder; closed before make() and when it failed.
  const platform::Directory& directory() const { return folder_; }

  // Writes one file at `path`, a full path inside the folder within the
  // system's path limit, and registers it before writing, so that a partial
  // file is removed at exit too. The write-failure notice when the file cannot
  // be created or fully written; nothing is made here.
  std::optional<Notice> writeTempFile(const std::string& path, std::string_view bytes);

  // Makes every missing folder of `path` (which ends in '/') below the
  // temporary directory, one at a time and never through a link, registering
  // each one it makes. True when every folder of the path is then a real
  // folder private to the reader; false for a path outside the temporary
  // directory or with an empty, "." or ".." segment.
  bool createFolderPath(const std::string& path);

 private:
  // The verified folder at `path`, made where missing, or closed.
  platform::Directory openBelowTemporaryDirectory(const std::string& path);

  TempFileRegistry& registry_;
  std::string temporaryDirectory_;
  std::string path_;
  platform::Directory folder_;
};

// Whether the system takes `fullPath` whole. The clean-up removes files and
// folders by their full paths, so nothing is made at a path it could not reach.
bool fitsSystemPathLimit(const std::string& fullPath);
// The same for `folder` followed by `relative`, without joining them.
bool fitsSystemPathLimit(std::string_view folder, std::string_view relative);

}  // namespace pagora
