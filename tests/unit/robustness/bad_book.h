// The book every bad-book row starts from, and the edits that damage it: a
// row changes the records before they are written, the written bytes after,
// or both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/book_file_table.h"
#include "container/book_info.h"
#include "container/container_trailer.h"
#include "support/book_builder.h"
#include "support/probe_book.h"

namespace pagora::robustness {

// The base book: esbn "bad", three files in this order ("index.html",
// "images\\cover.png" larger than one transfer, "notes.txt"), and a string
// list of two texts, all behind a copy of the load probe.
inline constexpr char kBaseEsbn[] = "bad";
std::vector<BookSource> baseFiles();
std::vector<std::string> baseStrings();

// A written book as bytes, with the positions of its items as written.
class BookBytes {
 public:
  BookBytes(std::string bytes, const testing::BookLayout& layout, const BookInfo& info, const BookFileTable& table,
            const ContainerTrailer& trailer);

  std::string& bytes() { return bytes_; }
  std::int64_t size() const { return static_cast<std::int64_t>(bytes_.size()); }
  const testing::BookLayout& layout() const { return layout_; }
  const ContainerTrailer& trailer() const { return trailer_; }
  const BookFileTable& table() const { return table_; }

  // Positions of single items.
  std::int64_t trailerField(int index) const { return layout_.trailer + 4 * index; }  // 0 magic .. 5 end magic
  std::int64_t esbnLength() const;
  std::int64_t titleLength() const;
  std::int64_t firstStringLength() const { return layout_.stringList + 8; }
  std::int64_t entryNameLength(int index) const;
  std::int64_t entryOffset(int index) const;
  std::int64_t entrySize(int index) const;

  // The word at `position`, descrambled, and its replacement. A value is
  // stored as the 32-bit word it wraps to.
  std::int32_t word(std::int64_t position) const;
  void setWord(std::int64_t position, std::int64_t value);
  void setTrailerField(int index, std::int64_t value) { setWord(trailerField(index), value); }
  void flipBit(std::int64_t position, int bit);
  void truncate(std::int64_t size) { bytes_.resize(static_cast<std::size_t>(size)); }
  // The trailer as written, for a book cut short ahead of it.
  std::string trailerBytes() const;

 private:
  std::string bytes_;
  testing::BookLayout layout_;
  BookInfo info_;
  BookFileTable table_;
  ContainerTrailer trailer_;
};

using RecordEdit = void (*)(BookInfo& info, std::vector<BookFileEntry>& entries);
using ByteEdit = void (*)(BookBytes& book);

// Writes the base book at `path` with `records` applied before the sections
// are written and `bytes` after (either may be null).
void writeBadBook(const std::string& path, RecordEdit records, ByteEdit bytes);

}  // namespace pagora::robustness
