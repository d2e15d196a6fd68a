// The damage kit: a whole book built in memory with the real writer, and
// kept as bytes together with the position of each of its items, so that a
// test can change exactly one of them (a magic, a check value, an offset, a
// length) or cut the book anywhere, then hand the bytes to the reader, the
// load, the command line or a fuzz harness. Positions follow from the
// records as written and their encoded sizes; the book need not parse.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "container/book_file_table.h"
#include "container/book_info.h"
#include "container/container_trailer.h"

namespace pagora::testing {

struct TestFile {
  std::string name;   // the stored name
  std::string bytes;  // the contents
};

// Stands in for the viewer executable that books are appended to.
inline const std::string kFakeViewer = "#!/bin/sh\nexit 0\n";

// Texts with a distinct length and hash each.
BookInfo sampleInfo();

// Changes the records after the files' data is written and before the record
// sections are: any count, offset, size or name.
using RecordEdit = std::function<void(BookInfo& info, std::vector<BookFileEntry>& entries)>;

struct BookRecipe {
  std::string viewer = kFakeViewer;
  BookInfo info = sampleInfo();  // its fileCount becomes the number of files
  std::vector<TestFile> files;   // stored in this order
  std::vector<std::string> strings;  // the string list's texts
  RecordEdit editRecords;
};

class BookImage {
 public:
  // The viewer, the files' data, header, string list, file table and trailer,
  // as ContainerWriter writes them.
  static BookImage build(const BookRecipe& recipe);
  // The sample texts behind the fake viewer, the files, an empty string list.
  static BookImage of(std::vector<TestFile> files, RecordEdit editRecords = {});

  const std::string& bytes() const { return bytes_; }
  std::int64_t size() const { return static_cast<std::int64_t>(bytes_.size()); }
  // The records as they were written.
  const BookInfo& info() const { return info_; }
  const std::vector<BookFileEntry>& entries() const { return entries_; }
  const ContainerTrailer& trailer() const { return trailer_; }

  // Where each item lies, as written.
  std::int64_t trailerAt() const { return trailerAt_; }
  std::int64_t trailerField(int index) const { return trailerAt_ + 4 * index; }  // 0 magic .. 5 end magic
  std::int64_t headerAt() const { return trailer_.headerOffset; }
  std::int64_t esbnLength() const;
  std::int64_t titleLength() const;
  std::int64_t checkValue(int index) const;  // 0 .. 11
  std::int64_t zeroWord(int index) const;    // 0 .. 3
  std::int64_t headerEndMagic() const { return headerAt() + info_.encodedSize() - 4; }
  std::int64_t stringListAt() const { return trailer_.stringListOffset; }
  std::int64_t stringCount() const { return stringListAt() + 4; }
  std::int64_t firstStringLength() const { return stringListAt() + 8; }
  std::int64_t fileTableAt() const { return trailer_.fileTableOffset; }
  std::int64_t tableCount() const { return fileTableAt() + 4; }
  std::int64_t entryAt(int index) const;  // the record's magic
  std::int64_t entryNameLength(int index) const { return entryAt(index) + 4; }
  std::int64_t entryOffset(int index) const;
  std::int64_t entrySize(int index) const { return entryOffset(index) + 4; }
  // The first byte of every magic word: trailer, header, string list, file
  // table and each entry.
  std::vector<std::int64_t> magics() const;

  // Edits. A word is read and written descrambled; a value is stored as the
  // 32-bit word it wraps to.
  std::int32_t word(std::int64_t position) const;
  void setWord(std::int64_t position, std::int64_t value);
  void addToWord(std::int64_t position, std::int32_t delta) { setWord(position, word(position) + std::int64_t{delta}); }
  void flipBit(std::int64_t position, int bit);
  // XORs every byte from `start` to the end with `key`.
  void xorFrom(std::int64_t start, std::uint8_t key);
  void truncate(std::int64_t size);
  // Cuts the book at `at` and puts the trailer back after the cut.
  void cutKeepingTrailer(std::int64_t at);
  void append(const std::string& bytes) { bytes_ += bytes; }

  // Writes the bytes to `path`, executable (0755), replacing what was there.
  void writeTo(const std::string& path) const;

 private:
  std::string bytes_;
  BookInfo info_;
  std::vector<BookFileEntry> entries_;
  ContainerTrailer trailer_;
  std::int64_t trailerAt_ = 0;
};

// A file that lives in memory only (memfd), reached by a path, so that code
// which opens a path reads bytes without the disk.
class MemoryFile {
 public:
  explicit MemoryFile(const char* name = "pagora-test-book");
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  ~MemoryFile();

  // Replaces the contents.
  void assign(const void* data, std::size_t size);
  void assign(const std::string& bytes) { assign(bytes.data(), bytes.size()); }
  // "/proc/self/fd/N": valid in this process only.
  const std::string& path() const { return path_; }
  int descriptor() const { return descriptor_; }

 private:
  int descriptor_ = -1;
  std::string path_;
};

}  // namespace pagora::testing
