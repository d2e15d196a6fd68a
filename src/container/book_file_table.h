// BookFileEntry and BookFileTable: the stored files, in the order of the
// file-table section.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/container_input.h"
#include "platform/file.h"

namespace pagora {

class ContainerStream;

struct BookFileEntry {
  std::string name;
  std::int32_t reservedFlag = 0;
  std::int32_t offset = 0;  // relative to the trailer's dataBase
  std::int32_t size = 0;

  bool exchange(ContainerStream& stream);
};

class BookFileTable {
 public:
  int count() const { return static_cast<int>(entries_.size()); }
  BookFileEntry entryAt(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
  const std::vector<BookFileEntry>& entries() const { return entries_; }
  void clear() { entries_.clear(); }
  void append(const BookFileEntry& entry) { entries_.push_back(entry); }

  // Empties the table, then reads the file-table section at the file's
  // position, or at the input's.
  bool read(platform::File& file);
  bool read(ContainerInput& input);

 private:
  std::vector<BookFileEntry> entries_;
};

// Reads the string-list section at the file's position, or at the input's,
// discarding its texts.
bool readStringList(platform::File& file);
bool readStringList(ContainerInput& input);

}  // namespace pagora
