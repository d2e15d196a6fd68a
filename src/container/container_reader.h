// ContainerReader reads a book: one handle on the file, kept open across the
// parse and every extraction of one load, closed when the reader goes away.
#pragma once

#include <string>
#include <vector>

#include "container/book_file_table.h"
#include "container/book_info.h"
#include "container/container_trailer.h"
#include "platform/directory.h"
#include "platform/file.h"

namespace pagora {

class ContainerReader {
 public:
  // Reads the running executable.
  ContainerReader();
  // Reads the book at `path` (the authoring tool and tests).
  explicit ContainerReader(std::string path);

  bool open();
  // Trailer, header, string list, file table, each at its own offset.
  bool parse(BookInfo& bookInfo, BookFileTable& fileTable, ContainerTrailer& trailer);
  // Writes the data of entry `index` as a file named by the entry (with '\\'
  // and '/' as folder separators) inside `folder`; a link in the file's place
  // is not followed. A name that could leave the folder fails before anything
  // is written; missing subfolders are the caller's. On failure errno says why.
  bool extractFile(const BookFileTable& fileTable, int index, const ContainerTrailer& trailer,
                   const platform::Directory& folder);
  // The same, writing into the entry's own folder, which the caller has
  // opened, under `fileName`: the last segment of the entry's name. A name
  // that is not one plain segment fails before anything is written.
  bool extractFileInto(const BookFileTable& fileTable, int index, const ContainerTrailer& trailer,
                       const platform::Directory& folder, const std::string& fileName);
  void close();

  // The system's reason for the last failed open, for tools that name it.
  int lastOpenError() const { return lastOpenError_; }

 private:
  // Seeks only to a position inside the file: an unchecked seek that failed
  // would leave the file where it was and "succeed" in reading the wrong bytes.
  bool seekInside(std::int64_t position);
  // Streams the entry's data, descrambled, into `target` through the transfer buffer.
  bool copyOut(const BookFileEntry& entry, const ContainerTrailer& trailer, platform::File& target);

  std::string path_;  // empty: the running executable
  platform::File file_;
  std::int64_t size_ = -1;  // of the open file, taken when it was opened
  int lastOpenError_ = 0;
  // Every stored file passes through this buffer, never held whole.
  std::vector<unsigned char> transferBuffer_;
};

}  // namespace pagora
