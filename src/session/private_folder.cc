#include "session/private_folder.h"

#include <climits>
#include <utility>

#include "container/stored_name.h"
#include "platform/file.h"
#include "platform/folder_path.h"

namespace pagora {

PrivateFolder::PrivateFolder(TempFileRegistry& registry, std::string temporaryDirectory)
    : registry_(registry), temporaryDirectory_(std::move(temporaryDirectory)) {}

bool fitsSystemPathLimit(const std::string& fullPath) { return fullPath.size() < PATH_MAX; }

bool fitsSystemPathLimit(std::string_view folder, std::string_view relative) {
  return folder.size() + relative.size() < PATH_MAX;
}

platform::Directory PrivateFolder::openBelowTemporaryDirectory(const std::string& path) {
  // The temporary directory is the reader's own choice and may be reached
  // through links; below it, nothing is.
  const std::string& temp = temporaryDirectory_;
  if (path.compare(0, temp.size(), temp) != 0 || !fitsSystemPathLimit(path)) return {};
  const platform::Directory tempFolder = platform::Directory::open(temp);
  return platform::openFolderPath(
      tempFolder, std::string_view(path).substr(temp.size()),
      {.makeMissing = true, .mustBePrivate = true, .onMade = [this](const std::string& made) {
         registry_.addFolder(made);
       }});
}

bool PrivateFolder::createFolderPath(const std::string& path) { return openBelowTemporaryDirectory(path).isOpen(); }

std::optional<Notice> PrivateFolder::make(const std::string& esbn) {
  path_ = temporaryDirectory_ + storedNameToRelativePath(esbn) + ".qvx/";
  if (folder_.isOpen()) return std::nullopt;
  folder_ = openBelowTemporaryDirectory(path_);
  if (!folder_.isOpen()) return Notice{kFolderFailureNotice, NoticeIcon::Warning};
  return std::nullopt;
}

std::optional<Notice> PrivateFolder::writeTempFile(const std::string& path, std::string_view bytes) {
  // Only a path inside the folder that make() verified is written.
  const std::string& folderPath = folder_.path();
  const bool insideFolder = folder_.isOpen() && path.size() > folderPath.size() &&
                            path.compare(0, folderPath.size(), folderPath) == 0 &&
                            isSafeStoredName(path.substr(folderPath.size())) && fitsSystemPathLimit(path);
  platform::File file;
  if (insideFolder) file = platform::File::createIn(folder_, path.substr(folderPath.size()));
  if (!file.isOpen()) return Notice{kWriteFailureNotice, NoticeIcon::Warning};
  registry_.addFile(path);
  const bool complete = file.write(bytes.data(), bytes.size()) == static_cast<std::int64_t>(bytes.size());
  file.close();
  if (!complete) return Notice{kWriteFailureNotice, NoticeIcon::Warning};
  return std::nullopt;
}

}  // namespace pagora
