// The authoring side of the container: builds a book as a copy of the viewer
// followed by the stored files' data and the record sections, written with the
// same record routines that the reader verifies with.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "container/book_file_table.h"
#include "container/book_info.h"
#include "container/container_output.h"
#include "container/container_trailer.h"
#include "platform/file.h"

namespace pagora {

// Every absolute position and size in a container is a signed 32-bit word.
constexpr std::int64_t kMaxBookSize = INT32_MAX;

// An open folder whose files are opened by their own names, so that storing
// each one does not make the kernel look up its whole path again.
class SourceFolder {
 public:
  // Takes ownership of `descriptor`, an open folder.
  explicit SourceFolder(int descriptor) noexcept : descriptor_(descriptor) {}
  SourceFolder(const SourceFolder&) = delete;
  SourceFolder& operator=(const SourceFolder&) = delete;
  ~SourceFolder();

  int descriptor() const { return descriptor_; }

 private:
  int descriptor_;
};

// One file to store: the name it gets in the book and where its bytes come from.
struct BookSource {
  std::string storedName;
  std::string sourcePath;                // read when `contents` is absent; names it in messages
  std::optional<std::string> contents;   // bytes made by the author's tool itself
  // The source's size when its folder was walked, which spares a second look
  // before writing; -1: not known. The bytes stored are those read then.
  std::int64_t walkedSize = -1;
  // When set, the source is opened as `nameInFolder` inside `folder` rather
  // than by `sourcePath`, which must name the same file.
  std::shared_ptr<const SourceFolder> folder = nullptr;
  std::string nameInFolder = {};
};

// Which file a write failed on (may be empty) and the reason, in words.
struct BookWriteError {
  std::string path;
  std::string reason;
};

// Called as data is stored: bytes done so far, and of how many.
using ProgressCallback = std::function<void(std::int64_t done, std::int64_t total)>;

// Writes container sections one by one at the end of `out`, recording where
// each went; writeTrailer() then points at the most recent of each. Sections
// may come in any order, which is how tests build unusual books.
// REQUIRES: `out` outlives the writer and is positioned where writing goes on.
class ContainerWriter {
 public:
  // Gathered: stored data is written in blocks, so that many small files cost
  // few writes. Every record section first writes out what is gathered, and
  // the writer's destruction writes out whatever is left; until then nothing
  // else may write to `out`. Direct: each file's data is written as it is
  // stored, and the caller may write to `out` between any two calls.
  enum class DataWrites { Direct, Gathered };

  explicit ContainerWriter(platform::File& out, DataWrites dataWrites = DataWrites::Direct)
      : out_(out),
        dataWrites_(dataWrites),
        data_(out, dataWrites == DataWrites::Gathered ? ContainerOutput::Mode::WriteBehind
                                                      : ContainerOutput::Mode::Direct) {}

  // Later appendFile() offsets count from the current position.
  bool startData();
  // Stores the source's bytes XOR the data scrambling byte; `entry` receives
  // the stored name, offset and size. Fails if the source changes size
  // meanwhile. `onStored` hears of each chunk's byte count as it is written.
  std::optional<BookWriteError> appendFile(const BookSource& source, BookFileEntry& entry,
                                           const std::function<void(std::int64_t)>& onStored = {});
  bool writeHeader(BookInfo info);
  bool writeStringList(const std::vector<std::string>& texts);
  bool writeFileTable(const std::vector<BookFileEntry>& entries);
  bool writeTrailer();

  // The offsets recorded so far; writeTrailer() stores these.
  ContainerTrailer& trailer() { return trailer_; }

 private:
  // The position that the next byte will have, counting gathered data, as a
  // container word; false past kMaxBookSize.
  bool positionWord(std::int32_t& out);
  // Writes out the gathered data before a record section.
  bool startSection(std::int32_t& sectionOffset);

  platform::File& out_;
  const DataWrites dataWrites_;
  ContainerOutput data_;
  ContainerTrailer trailer_;
  // Gathered data only, where nothing else writes to `out_` between record
  // sections: the file's position when `data_` had taken `knownTaken_` bytes,
  // so that each stored file need not ask the kernel; -1 once a section was
  // written, until it is asked again.
  std::int64_t knownPosition_ = -1;
  std::int64_t knownTaken_ = 0;
  // Reused from file to file; grows to the largest chunk needed.
  std::unique_ptr<unsigned char[]> copyBuffer_;
  std::size_t copyBufferSize_ = 0;
};

// The name of the first header text that holds a zero byte, if any.
std::optional<std::string> textWithZeroByte(const BookInfo& info);

// Writes a whole book into the empty file `out`: the viewer's bytes, the files'
// data in the given order, the header (its fileCount set to the number of
// files), an empty string list, the file table and the trailer. The same inputs
// give the same bytes. Refuses unsafe stored names and a book that would
// exceed kMaxBookSize before writing anything.
std::optional<BookWriteError> writeBook(platform::File& out, const std::string& viewerPath, BookInfo info,
                                        const std::vector<BookSource>& sources,
                                        const ProgressCallback& progress = {});

}  // namespace pagora
