#include "container/container_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "container/container_stream.h"
#include "container/format.h"
#include "container/scramble.h"
#include "container/stored_name.h"
#include "container/coding.h"

namespace pagora {
namespace {

// Big enough that copying costs little more than the disk does.
constexpr std::size_t kCopyChunkSize = 1 << 20;

std::string systemReason() { return std::strerror(errno); }

BookWriteError outputError() { return {"", systemReason()}; }

using ChunkSink = std::function<void(std::int64_t)>;

// One read(2), retried only when interrupted: a shorter count than asked for
// is the end of a regular file, which spares a further read to see it.
std::int64_t readOnce(int descriptor, unsigned char* buffer, std::size_t n) {
  for (;;) {
    const ssize_t got = ::read(descriptor, buffer, n);
    if (got >= 0 || errno != EINTR) return got;
  }
}

// Copies exactly `size` bytes from `from` to `to`, XOR `scrambleByte`, through
// `buffer` (at least 1 byte) or the block `to` gathers in. A source that ends
// early or has bytes beyond `size` has changed since it was measured: better
// refused than stored half old, half new.
std::optional<BookWriteError> copyScrambled(platform::File& from, const std::string& fromPath, ContainerOutput& to,
                                            std::int64_t size, unsigned char scrambleByte,
                                            unsigned char* buffer, std::size_t bufferSize,
                                            const ChunkSink& onStored) {
  std::int64_t remaining = size;
  for (;;) {
    // One byte more than should remain is asked for, so that the read that
    // ends the file also finds a file that grew.
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(remaining + 1, bufferSize));
    // What fits in the output's block is read straight into it.
    unsigned char* const into =
        to.gathers() && want <= ContainerOutput::kWriteBehindSize ? to.room(want) : buffer;
    if (!into) return outputError();
    const std::int64_t got = readOnce(from.descriptor(), into, want);
    if (got < 0) return BookWriteError{fromPath, systemReason()};
    if (got > remaining) return BookWriteError{fromPath, "file grew while it was being stored"};
    if (got == 0) {
      if (remaining > 0) return BookWriteError{fromPath, "file shrank while it was being stored"};
      return std::nullopt;
    }
    const auto chunk = static_cast<std::size_t>(got);
    if (scrambleByte != 0) scrambleBytes(into, chunk, scrambleByte);
    if (into != buffer) {
      to.keep(chunk);
    } else if (to.write(buffer, chunk) != got) {
      return outputError();
    }
    if (onStored) onStored(got);
    remaining -= got;
    if (remaining == 0 && chunk < want) return std::nullopt;  // the file ended where it should
  }
}

// The size of a source as it stands now, or -1 with errno set.
std::int64_t sourceSize(const BookSource& source) {
  if (source.contents) return static_cast<std::int64_t>(source.contents->size());
  if (source.walkedSize >= 0) return source.walkedSize;
  struct stat st {};
  const int looked = source.folder ? ::fstatat(source.folder->descriptor(), source.nameInFolder.c_str(), &st, 0)
                                   : ::stat(source.sourcePath.c_str(), &st);
  if (looked != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

platform::File openSource(const BookSource& source) {
  if (!source.folder) return platform::File::openForReading(source.sourcePath);
  return platform::File(::openat(source.folder->descriptor(), source.nameInFolder.c_str(), O_RDONLY | O_CLOEXEC));
}

std::string sizeText(std::int64_t bytes) { return std::to_string(bytes) + " bytes"; }

}  // namespace

SourceFolder::~SourceFolder() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

bool ContainerWriter::positionWord(std::int32_t& out) {
  std::int64_t position = -1;
  if (dataWrites_ == DataWrites::Gathered && knownPosition_ >= 0) {
    position = knownPosition_ + (data_.taken() - knownTaken_);
  } else {
    position = out_.position();
    if (position < 0) return false;
    position += static_cast<std::int64_t>(data_.pending());
    knownPosition_ = position;
    knownTaken_ = data_.taken();
  }
  if (position > kMaxBookSize) {
    errno = EFBIG;
    return false;
  }
  out = static_cast<std::int32_t>(position);
  return true;
}

bool ContainerWriter::startData() { return positionWord(trailer_.dataBase); }

bool ContainerWriter::startSection(std::int32_t& sectionOffset) {
  // The section is written past what the position was known from.
  const bool placed = data_.flush() && positionWord(sectionOffset);
  knownPosition_ = -1;
  return placed;
}

std::optional<BookWriteError> ContainerWriter::appendFile(const BookSource& source, BookFileEntry& entry,
                                                          const ChunkSink& onStored) {
  entry = BookFileEntry{};
  entry.name = source.storedName;
  std::int32_t position = 0;
  if (!positionWord(position)) return outputError();
  entry.offset = position - trailer_.dataBase;

  auto checkSize = [&](std::int64_t size, const std::string& path) -> std::optional<BookWriteError> {
    if (std::int64_t{position} + size > kMaxBookSize) {
      return BookWriteError{path, "a book holds at most " + sizeText(kMaxBookSize) + "; this file would pass that"};
    }
    entry.size = static_cast<std::int32_t>(size);
    return std::nullopt;
  };

  if (source.contents) {
    const std::string& bytes = *source.contents;
    if (auto error = checkSize(static_cast<std::int64_t>(bytes.size()), source.storedName)) return error;
    std::string scrambled = bytes;
    scrambleBytes(reinterpret_cast<unsigned char*>(scrambled.data()), scrambled.size(), format::kDataScramble);
    if (data_.write(scrambled.data(), scrambled.size()) != static_cast<std::int64_t>(scrambled.size())) {
      return outputError();
    }
    if (onStored) onStored(static_cast<std::int64_t>(scrambled.size()));
    return std::nullopt;
  }

  platform::File input = openSource(source);
  if (!input.isOpen()) return BookWriteError{source.sourcePath, systemReason()};
  std::int64_t size = input.size();
  if (size < 0) return BookWriteError{source.sourcePath, systemReason()};
  if (auto error = checkSize(size, source.sourcePath)) return error;
  // The buffer holds one byte past the file, so that a small file is read in one go.
  const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(size + 1, kCopyChunkSize));
  if (copyBufferSize_ < wanted) {
    copyBuffer_ = std::make_unique_for_overwrite<unsigned char[]>(wanted);
    copyBufferSize_ = wanted;
  }
  return copyScrambled(input, source.sourcePath, data_, size, format::kDataScramble, copyBuffer_.get(),
                       copyBufferSize_, onStored);
}

// Each section is gathered and written in blocks, not item by item; the
// position of the next section is asked for only once this one is flushed.
bool ContainerWriter::writeHeader(BookInfo info) {
  if (!startSection(trailer_.headerOffset)) return false;
  ContainerOutput section(out_, ContainerOutput::Mode::WriteBehind);
  ContainerStream storing(section);
  return info.exchange(storing) && section.flush();
}

bool ContainerWriter::writeStringList(const std::vector<std::string>& texts) {
  if (!startSection(trailer_.stringListOffset)) return false;
  ContainerOutput section(out_, ContainerOutput::Mode::WriteBehind);
  if (!writeConstant(section, format::STRING_LIST_MAGIC) ||
      !writeWord(section, static_cast<std::int32_t>(texts.size()))) {
    return false;
  }
  return std::all_of(texts.begin(), texts.end(), [&](const std::string& text) { return writeText(section, text); }) &&
         section.flush();
}

bool ContainerWriter::writeFileTable(const std::vector<BookFileEntry>& entries) {
  if (!startSection(trailer_.fileTableOffset)) return false;
  ContainerOutput section(out_, ContainerOutput::Mode::WriteBehind);
  if (!writeConstant(section, format::FILE_TABLE_MAGIC) ||
      !writeWord(section, static_cast<std::int32_t>(entries.size()))) {
    return false;
  }
  ContainerStream storing(section);
  for (BookFileEntry entry : entries) {
    if (!entry.exchange(storing)) return false;
  }
  return section.flush();
}

bool ContainerWriter::writeTrailer() {
  if (!data_.flush()) return false;
  ContainerOutput section(out_, ContainerOutput::Mode::WriteBehind);
  ContainerStream storing(section);
  ContainerTrailer trailer = trailer_;
  return trailer.exchange(storing) && section.flush();
}

std::optional<std::string> textWithZeroByte(const BookInfo& info) {
  const std::pair<const char*, const std::string*> texts[] = {
      {"reservedText1", &info.reservedText1}, {"esbn", &info.esbn},
      {"title", &info.title},                 {"author", &info.author},
      {"authorEmail", &info.authorEmail},     {"webAddress", &info.webAddress},
      {"publisher", &info.publisher},         {"contentsNotice", &info.contentsNotice},
      {"reservedText2", &info.reservedText2}, {"reservedText3", &info.reservedText3},
  };
  for (const auto& [name, text] : texts) {
    if (text->find('\0') != std::string::npos) return std::string(name);
  }
  return std::nullopt;
}

std::optional<BookWriteError> writeBook(platform::File& out, const std::string& viewerPath, BookInfo info,
                                        const std::vector<BookSource>& sources,
                                        const ProgressCallback& progress) {
  if (sources.size() > static_cast<std::size_t>(INT32_MAX)) return BookWriteError{"", "too many files for one book"};
  // A reader cuts a text at its first zero byte and computes the check values
  // on what is left, so such a header would never verify.
  if (auto field = textWithZeroByte(info)) return BookWriteError{"", "the " + *field + " holds a zero byte"};
  platform::File viewer = platform::File::openForReading(viewerPath);
  if (!viewer.isOpen()) return BookWriteError{viewerPath, systemReason()};
  const std::int64_t viewerSize = viewer.size();
  if (viewerSize < 0) return BookWriteError{viewerPath, systemReason()};

  // Everything is measured first, so that a book too big to address is
  // refused before a byte is written.
  std::int64_t dataSize = 0;
  std::int64_t fileTableSize = fileTableEncodedSize({});
  for (const BookSource& source : sources) {
    const std::string& shownName = source.contents ? source.storedName : source.sourcePath;
    if (!isSafeStoredName(source.storedName)) {
      return BookWriteError{shownName, "its stored name \"" + source.storedName + "\" could leave the reader's folder"};
    }
    std::int64_t size = sourceSize(source);
    if (size < 0) return BookWriteError{shownName, systemReason()};
    dataSize += size;
    fileTableSize += BookFileEntry{.name = source.storedName}.encodedSize();
  }
  info.fileCount = static_cast<std::int32_t>(sources.size());
  const std::int64_t bookSize = viewerSize + dataSize + info.encodedSize() + stringListEncodedSize({}) +
                                fileTableSize + ContainerTrailer::kEncodedSize;
  if (bookSize > kMaxBookSize) {
    return BookWriteError{"", "the book would take " + sizeText(bookSize) + ", more than the " +
                                  sizeText(kMaxBookSize) + " a book can address"};
  }

  ContainerOutput viewerCopy(out);
  auto viewerBuffer = std::make_unique_for_overwrite<unsigned char[]>(kCopyChunkSize);
  if (auto error =
          copyScrambled(viewer, viewerPath, viewerCopy, viewerSize, 0, viewerBuffer.get(), kCopyChunkSize, {})) {
    return error;
  }
  viewerBuffer.reset();

  ContainerWriter writer(out, ContainerWriter::DataWrites::Gathered);
  if (!writer.startData()) return outputError();
  std::vector<BookFileEntry> entries(sources.size());
  std::int64_t stored = 0;
  auto onStored = [&](std::int64_t bytes) {
    stored += bytes;
    if (progress) progress(stored, dataSize);
  };
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (auto error = writer.appendFile(sources[i], entries[i], onStored)) return error;
  }
  if (!writer.writeHeader(info) || !writer.writeStringList({}) || !writer.writeFileTable(entries) ||
      !writer.writeTrailer()) {
    return outputError();
  }
  return std::nullopt;
}

}  // namespace pagora
