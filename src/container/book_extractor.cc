#include "container/book_extractor.h"

#include <cerrno>
#include <system_error>
#include <thread>
#include <utility>

#include "container/stored_name.h"
#include "platform/file.h"
#include "platform/folder_path.h"

namespace pagora {
namespace {

// From this size on a file is copied by two threads, each taking every other
// transfer unit: while one waits on its write into the page cache, the other
// reads and descrambles. On two processors a 512 MiB file is written 15-40 %
// sooner, 20 MiB files 8 % (BENCHMARKS.md); 5 MiB files gain nothing.
constexpr std::int64_t kSharedCopySize = 16 << 20;

}  // namespace

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
  if (copy(entry, target, std::move(stop))) return true;
  const int error = errno;
  target.close();
  folder.removeFile(fileName);
  return fail(relativePath, error);
}

bool BookExtractor::copy(const BookFileEntry& entry, platform::File& target, std::stop_token stop) {
  if (entry.size < kSharedCopySize) return reader_.copyEntryTo(entry, book_.trailer, target, transferBuffer_, stop);
  return copyInTwoShares(entry, target, std::move(stop));
}

bool BookExtractor::copyInTwoShares(const BookFileEntry& entry, platform::File& target, std::stop_token stop) {
  // Both shares read the book at once, so it is opened before either starts.
  if (!reader_.open()) return false;
  // Either share's failure stops the other, as does the caller's stop.
  std::stop_source shares;
  const std::stop_callback forwardStop(stop, [&shares] { shares.request_stop(); });
  int helperError = 0;
  int ownError = 0;
  {
    std::jthread helper;
    try {
      helper = std::jthread([&] {
        if (reader_.copyEntryTo(entry, book_.trailer, target, helperBuffer_, shares.get_token(), {1, 2})) return;
        helperError = errno;
        shares.request_stop();
      });
    } catch (const std::system_error&) {
      // No thread to be had (a limit on processes): this one copies it all.
      return reader_.copyEntryTo(entry, book_.trailer, target, transferBuffer_, std::move(stop));
    }
    if (!reader_.copyEntryTo(entry, book_.trailer, target, transferBuffer_, shares.get_token(), {0, 2})) {
      ownError = errno;
      shares.request_stop();
    }
  }
  if (ownError == 0 && helperError == 0) return true;
  // A share stopped by the other's failure only saw ECANCELED: the failure says why.
  for (const int error : {ownError, helperError}) {
    if (error != 0 && error != ECANCELED) {
      errno = error;
      return false;
    }
  }
  errno = ECANCELED;
  return false;
}

}  // namespace pagora
