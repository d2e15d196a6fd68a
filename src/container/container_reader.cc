#include "container/container_reader.h"

#include <cerrno>
#include <utility>

#include "container/container_stream.h"
#include "container/format.h"
#include "container/scramble.h"
#include "container/stored_name.h"
#include "platform/executable_path.h"

namespace pagora {
namespace {

// Seeks only to a position inside the file: an unchecked seek that failed
// would leave the file where it was and "succeed" in reading the wrong bytes.
bool seekInside(platform::File& file, std::int64_t position) {
  std::int64_t size = file.size();
  return size >= 0 && position >= 0 && position <= size && file.seek(position);
}

}  // namespace

ContainerReader::ContainerReader() = default;

ContainerReader::ContainerReader(std::string path) : path_(std::move(path)) {}

bool ContainerReader::open() {
  if (file_.isOpen()) return true;
  const std::string path = path_.empty() ? platform::executablePath() : path_;
  if (path.empty()) {
    lastOpenError_ = errno != 0 ? errno : ENOENT;
    return false;
  }
  file_ = platform::File::openForReading(path);
  lastOpenError_ = file_.isOpen() ? 0 : errno;
  return file_.isOpen();
}

bool ContainerReader::parse(BookInfo& bookInfo, BookFileTable& fileTable, ContainerTrailer& trailer) {
  if (!open()) return false;
  ContainerStream loading(false, file_);
  std::int64_t size = file_.size();
  if (size < format::kTrailerSize || !seekInside(file_, size - format::kTrailerSize) ||
      !trailer.exchange(loading)) {
    return false;
  }
  if (!seekInside(file_, trailer.headerOffset) || !bookInfo.exchange(loading)) return false;
  if (!seekInside(file_, trailer.stringListOffset) || !readStringList(file_)) return false;
  return seekInside(file_, trailer.fileTableOffset) && fileTable.read(file_);
}

bool ContainerReader::extractFile(const BookFileTable& fileTable, int index, const ContainerTrailer& trailer,
                                  const platform::Directory& folder) {
  if (!open()) return false;
  if (index < 0 || index >= fileTable.count()) {
    errno = EINVAL;
    return false;
  }
  const BookFileEntry entry = fileTable.entryAt(index);
  if (!isSafeStoredName(entry.name)) {
    errno = EINVAL;
    return false;
  }
  platform::File target = platform::File::createIn(folder, storedNameToRelativePath(entry.name));
  if (!target.isOpen()) return false;
  if (entry.size <= 0) return true;

  const std::int64_t start = std::int64_t{trailer.dataBase} + entry.offset;
  if (!seekInside(file_, start)) {
    errno = EIO;
    return false;
  }
  if (transferBuffer_.empty()) transferBuffer_.resize(format::kTransferBufferSize);
  std::int64_t remaining = entry.size;
  while (remaining > 0) {
    const std::size_t chunk =
        remaining < static_cast<std::int64_t>(transferBuffer_.size()) ? static_cast<std::size_t>(remaining)
                                                                       : transferBuffer_.size();
    std::int64_t got = file_.read(transferBuffer_.data(), chunk);
    if (got != static_cast<std::int64_t>(chunk)) {
      if (got >= 0) errno = EIO;  // the data runs past the end of the book
      return false;
    }
    scrambleBytes(transferBuffer_.data(), chunk, format::kDataScramble);
    if (target.write(transferBuffer_.data(), chunk) != static_cast<std::int64_t>(chunk)) return false;
    remaining -= static_cast<std::int64_t>(chunk);
  }
  return true;
}

void ContainerReader::close() { file_.close(); }

}  // namespace pagora
