// ContainerReader reads a book: one handle on the file, kept open across the
// parse and every stored file of one load, closed when the reader goes away.
// Positions are checked before use: a section or a file's data outside the
// book is a failed read, never the wrong bytes. Stored files are read at their
// positions, never by moving the handle: several threads may copy or read
// them at once, each through its own buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <stop_token>
#include <string>
#include <vector>

#include "container/book_file_table.h"
#include "container/book_info.h"
#include "container/container_trailer.h"
#include "platform/file.h"

namespace pagora {

// Which of an entry's transfer units a copy takes: every `stride`-th from
// `first`. Copies of the other shares may run at once on other threads.
struct TransferShare {
  int first = 0;
  int stride = 1;
};

class ContainerReader {
 public:
  // Reads the running executable.
  ContainerReader();
  // Reads the book at `path` (the authoring tool and tests).
  explicit ContainerReader(std::string path);

  bool open();
  // Trailer, header, string list, file table, each at its own offset.
  bool parse(BookInfo& bookInfo, BookFileTable& fileTable, ContainerTrailer& trailer);
  // Writes the entry's data, descrambled, into `target` at the same offsets,
  // through `buffer` (sized on first use), one share of it or all. On failure
  // errno says why (EIO: the data lies outside the book; ECANCELED: `stop` was
  // requested meanwhile).
  // REQUIRES: the book is open (open() or parse() succeeded) when copies run at once.
  bool copyEntryTo(const BookFileEntry& entry, const ContainerTrailer& trailer, platform::File& target,
                   std::vector<unsigned char>& buffer, std::stop_token stop = {}, TransferShare share = {});
  // The entry's data, descrambled, held whole, or its first `limit` bytes:
  // for pages that are read, not written.
  bool readEntry(const BookFileEntry& entry, const ContainerTrailer& trailer, std::string& out,
                 std::size_t limit = std::numeric_limits<std::size_t>::max());
  void close();

  // The size of the open book, or -1.
  std::int64_t size() const { return size_; }
  // The system's reason for the last failed open, for tools that name it.
  int lastOpenError() const { return lastOpenError_; }

 private:
  // Seeks only to a position inside the file: an unchecked seek that failed
  // would leave the file where it was and "succeed" in reading the wrong bytes.
  bool seekInside(std::int64_t position);
  // Where the entry's data starts; -1 (errno EIO) when it lies outside the book.
  std::int64_t dataPosition(const BookFileEntry& entry, const ContainerTrailer& trailer) const;

  std::string path_;  // empty: the running executable
  platform::File file_;
  std::int64_t size_ = -1;  // of the open file, taken when it was opened
  int lastOpenError_ = 0;
};

}  // namespace pagora
