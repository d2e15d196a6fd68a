#include "container/book_extractor.h"

#include <cerrno>
#include <utility>

#include "container/stored_name.h"
#include "platform/file.h"
#include "platform/folder_path.h"

namespace pagora {

BookExtractor::BookExtractor(ContainerReader& reader, const ParsedBook& book, const platform::Directory& root,
                             FolderMade onFolderMade, FileCreated onFileCreated)
    : reader_(reader),
      book_(book),
      root_(root),
      onFolderMade_(std::move(onFolderMade)),
      onFileCreated_(std::move(onFileCreated)) {}

const platform::Directory& BookExtractor::folderFor(const std::string& relativeFolder) {
  if (relativeFolder.empty()) return root_;
  if (!openFolder_.isOpen() || relativeFolder != openRelative_) {
    openFolder_ = platform::openFolderPath(root_, relativeFolder, {.makeMissing = true, .onMade = onFolderMade_});
    openRelative_ = relativeFolder;
  }
  return openFolder_;
}

bool BookExtractor::fail(std::string relativePath, int error) {
  failedPath_ = std::move(relativePath);
  errno = error;
  return false;
}

bool BookExtractor::extract(int index, std::stop_token stop) {
  if (index < 0 || index >= book_.fileTable.count()) return fail({}, EINVAL);
  const BookFileEntry& entry = book_.fileTable.entryAt(index);
  if (!isSafeStoredName(entry.name)) return fail(entry.name, EINVAL);
  const std::string relativePath = storedNameToRelativePath(entry.name);
  const std::size_t lastSlash = relativePath.rfind('/');
  const std::string relativeFolder = lastSlash == std::string::npos ? std::string() : relativePath.substr(0, lastSlash + 1);
  const std::string fileName = relativePath.substr(relativeFolder.size());

  const platform::Directory& folder = folderFor(relativeFolder);
  if (!folder.isOpen()) return fail(relativeFolder, errno);
  platform::File target = platform::File::createIn(folder, fileName);
  if (!target.isOpen()) return fail(relativePath, errno);
  if (onFileCreated_) onFileCreated_(relativePath);
  if (reader_.copyEntryTo(entry, book_.trailer, target, transferBuffer_, std::move(stop))) return true;
  const int error = errno;
  target.close();
  folder.removeFile(fileName);
  return fail(relativePath, error);
}

}  // namespace pagora
