// BookFileEntry and BookFileTable: the stored files, in the order of the
// file-table section; and the string-list section, whose texts nothing uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/container_input.h"

namespace pagora {

class ContainerStream;

struct BookFileEntry {
  std::string name;
  std::int32_t reservedFlag = 0;
  std::int32_t offset = 0;  // relative to the trailer's dataBase
  std::int32_t size = 0;

  bool exchange(ContainerStream& stream);
  // Magic, name, flag, offset and size.
  std::int64_t encodedSize() const;

  bool operator==(const BookFileEntry&) const = default;
};

class BookFileTable {
 public:
  int count() const { return static_cast<int>(entries_.size()); }
  const BookFileEntry& entryAt(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
  const std::vector<BookFileEntry>& entries() const { return entries_; }
  void clear() { entries_.clear(); }
  void append(const BookFileEntry& entry) { entries_.push_back(entry); }

  // Empties the table, then reads the file-table section at the input's position.
  bool read(ContainerInput& input);

 private:
  std::vector<BookFileEntry> entries_;
};

// The bytes of a file-table section holding `entries`: magic, count, records.
std::int64_t fileTableEncodedSize(const std::vector<BookFileEntry>& entries);

// Reads the string-list section at the input's position, discarding its texts.
bool readStringList(ContainerInput& input);
// The bytes of a string-list section holding `texts`: magic, count, texts.
std::int64_t stringListEncodedSize(const std::vector<std::string>& texts);

}  // namespace pagora
