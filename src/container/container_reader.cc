#include "container/container_reader.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "container/container_stream.h"
#include "container/format.h"
#include "container/scramble.h"
#include "platform/executable_path.h"

namespace pagora {

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
  size_ = file_.isOpen() ? file_.size() : -1;
  return file_.isOpen();
}

bool ContainerReader::parse(BookInfo& bookInfo, BookFileTable& fileTable, ContainerTrailer& trailer) {
  if (!open()) return false;
  if (size_ < ContainerTrailer::kEncodedSize || !seekInside(size_ - ContainerTrailer::kEncodedSize)) return false;
  ContainerInput trailerInput(file_);
  ContainerStream loading(trailerInput);
  if (!trailer.exchange(loading)) return false;
  // The sections are read through a read-ahead block: a file table of many
  // records then takes a few reads instead of several per record.
  if (!seekInside(trailer.headerOffset)) return false;
  ContainerInput header(file_, ContainerInput::Mode::ReadAhead);
  ContainerStream headerStream(header);
  if (!bookInfo.exchange(headerStream)) return false;
  if (!seekInside(trailer.stringListOffset)) return false;
  ContainerInput stringList(file_, ContainerInput::Mode::ReadAhead);
  if (!readStringList(stringList)) return false;
  if (!seekInside(trailer.fileTableOffset)) return false;
  ContainerInput table(file_, ContainerInput::Mode::ReadAhead);
  return fileTable.read(table);
}

std::int64_t ContainerReader::dataPosition(const BookFileEntry& entry, const ContainerTrailer& trailer) const {
  const std::int64_t position = std::int64_t{trailer.dataBase} + entry.offset;
  if (size_ < 0 || position < 0 || position > size_ || entry.size > size_ - position) {
    errno = EIO;
    return -1;
  }
  return position;
}

bool ContainerReader::copyEntryTo(const BookFileEntry& entry, const ContainerTrailer& trailer,
                                  platform::File& target, std::vector<unsigned char>& buffer,
                                  std::stop_token stop, TransferShare share) {
  if (!open()) return false;
  if (entry.size <= 0) return true;
  // Positioned reads and writes: one call per unit, none to move in either file.
  const std::int64_t position = dataPosition(entry, trailer);
  if (position < 0) return false;
  if (buffer.empty()) buffer.resize(format::kTransferBufferSize);
  const auto unit = static_cast<std::int64_t>(buffer.size());
  for (std::int64_t offset = share.first * unit; offset < entry.size; offset += share.stride * unit) {
    if (stop.stop_requested()) {
      errno = ECANCELED;
      return false;
    }
    const auto chunk = static_cast<std::size_t>(std::min(unit, entry.size - offset));
    const std::int64_t got = file_.readAt(buffer.data(), chunk, position + offset);
    if (got != static_cast<std::int64_t>(chunk)) {
      if (got >= 0) errno = EIO;  // the book was cut short meanwhile
      return false;
    }
    scrambleBytes(buffer.data(), chunk, format::kDataScramble);
    if (target.writeAt(buffer.data(), chunk, offset) != static_cast<std::int64_t>(chunk)) return false;
  }
  return true;
}

bool ContainerReader::readEntry(const BookFileEntry& entry, const ContainerTrailer& trailer, std::string& out,
                                std::size_t limit) {
  out.clear();
  if (!open()) return false;
  if (entry.size <= 0) return true;
  const std::int64_t position = dataPosition(entry, trailer);
  if (position < 0) return false;
  out.resize(std::min(static_cast<std::size_t>(entry.size), limit));
  const std::int64_t got = file_.readAt(out.data(), out.size(), position);
  if (got != static_cast<std::int64_t>(out.size())) {
    if (got >= 0) errno = EIO;  // the book was cut short meanwhile
    out.clear();
    return false;
  }
  scrambleBytes(reinterpret_cast<unsigned char*>(out.data()), out.size(), format::kDataScramble);
  return true;
}

void ContainerReader::close() {
  file_.close();
  size_ = -1;
}

bool ContainerReader::seekInside(std::int64_t position) {
  return size_ >= 0 && position >= 0 && position <= size_ && file_.seek(position);
}

}  // namespace pagora
