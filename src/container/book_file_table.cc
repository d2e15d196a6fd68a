#include "container/book_file_table.h"

#include "container/coding.h"
#include "container/container_stream.h"
#include "container/format.h"

namespace pagora {

bool BookFileEntry::exchange(ContainerStream& stream) {
  return stream.exchangeConstant(format::FILE_ENTRY_MAGIC) && stream.exchangeText(name) &&
         stream.exchangeWord(reservedFlag) && stream.exchangeWord(offset) && stream.exchangeWord(size);
}

std::int64_t BookFileEntry::encodedSize() const { return 4 * kWordSize + encodedTextSize(name.size()); }

bool BookFileTable::read(ContainerInput& input) {
  clear();
  std::int32_t count = 0;
  if (!readConstant(input, format::FILE_TABLE_MAGIC) || !readWord(input, count)) return false;
  ContainerStream stream(input);
  // Records are appended as they verify; a count beyond what the file holds
  // ends at the first record that cannot be read, never by allocating ahead.
  for (std::int32_t i = 0; i < count; ++i) {
    BookFileEntry entry;
    if (!entry.exchange(stream)) return false;
    append(entry);
  }
  return true;
}

std::int64_t fileTableEncodedSize(const std::vector<BookFileEntry>& entries) {
  std::int64_t size = 2 * kWordSize;
  for (const BookFileEntry& entry : entries) size += entry.encodedSize();
  return size;
}

bool readStringList(ContainerInput& input) {
  std::int32_t count = 0;
  if (!readConstant(input, format::STRING_LIST_MAGIC) || !readWord(input, count)) return false;
  std::string discarded;
  for (std::int32_t i = 0; i < count; ++i) {
    if (!readText(input, discarded)) return false;
  }
  return true;
}

std::int64_t stringListEncodedSize(const std::vector<std::string>& texts) {
  std::int64_t size = 2 * kWordSize;
  for (const std::string& text : texts) size += encodedTextSize(text.size());
  return size;
}

}  // namespace pagora
