#include "bad_book.h"

#include <gtest/gtest.h>

#include "container/container_reader.h"
#include "container/container_writer.h"
#include "container/format.h"
#include "support/scratch_folder.h"

namespace pagora::robustness {

std::vector<BookSource> baseFiles() {
  return {probe::storedFile("index.html", "<P>the index</P>"),
          probe::storedFile("images\\cover.png", testing::patternBytes(format::kTransferBufferSize + 100, 7)),
          probe::storedFile("notes.txt", "some notes")};
}

std::vector<std::string> baseStrings() { return {"first text", "second"}; }

BookBytes::BookBytes(std::string bytes, const testing::BookLayout& layout, const BookInfo& info,
                     const BookFileTable& table, const ContainerTrailer& trailer)
    : bytes_(std::move(bytes)), layout_(layout), info_(info), table_(table), trailer_(trailer) {}

std::int64_t BookBytes::esbnLength() const {
  // magic, reservedText1, two reserved words
  return layout_.header + 4 + 4 + static_cast<std::int64_t>(info_.reservedText1.size()) + 8;
}

std::int64_t BookBytes::titleLength() const { return esbnLength() + 4 + static_cast<std::int64_t>(info_.esbn.size()); }

std::int64_t BookBytes::entryNameLength(int index) const {
  return layout_.entries.at(static_cast<std::size_t>(index)) + 4;
}

std::int64_t BookBytes::entryOffset(int index) const {
  // name, then the reserved flag
  return entryNameLength(index) + 4 + static_cast<std::int64_t>(table_.entryAt(index).name.size()) + 4;
}

std::int64_t BookBytes::entrySize(int index) const { return entryOffset(index) + 4; }

std::int32_t BookBytes::word(std::int64_t position) const {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes_.at(position + i));
  return static_cast<std::int32_t>(value ^ format::kWordScramble);
}

void BookBytes::setWord(std::int64_t position, std::int64_t value) {
  const std::uint32_t stored = static_cast<std::uint32_t>(value) ^ format::kWordScramble;
  for (int i = 0; i < 4; ++i) bytes_.at(position + i) = static_cast<char>(stored >> (8 * i));
}

void BookBytes::flipBit(std::int64_t position, int bit) { bytes_.at(position) ^= static_cast<char>(1 << bit); }

std::string BookBytes::trailerBytes() const {
  return bytes_.substr(static_cast<std::size_t>(layout_.trailer), format::kTrailerSize);
}

void writeBadBook(const std::string& path, RecordEdit records, ByteEdit bytes) {
  {
    platform::File out = platform::File::create(path, 0755);
    ASSERT_TRUE(out.isOpen()) << path;
    const std::string viewer = probe::readFile(PAGORA_LOAD_PROBE);
    ASSERT_EQ(out.write(viewer.data(), viewer.size()), static_cast<std::int64_t>(viewer.size()));
    ContainerWriter writer(out);
    ASSERT_TRUE(writer.startData());
    const std::vector<BookSource> files = baseFiles();
    std::vector<BookFileEntry> entries(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) ASSERT_FALSE(writer.appendFile(files[i], entries[i]));
    BookInfo info = testing::sampleInfo();
    info.esbn = kBaseEsbn;
    info.fileCount = static_cast<std::int32_t>(entries.size());
    if (records != nullptr) records(info, entries);
    ASSERT_TRUE(writer.writeHeader(info));
    ASSERT_TRUE(writer.writeStringList(baseStrings()));
    ASSERT_TRUE(writer.writeFileTable(entries));
    ASSERT_TRUE(writer.writeTrailer());
  }
  if (bytes == nullptr) return;

  ContainerReader reader(path);
  BookInfo info;
  BookFileTable table;
  ContainerTrailer trailer;
  ASSERT_TRUE(reader.parse(info, table, trailer)) << "byte edits start from a book that reads";
  BookBytes book(probe::readFile(path), testing::describeBook(path), info, table, trailer);
  bytes(book);
  probe::writeFile(path, book.bytes());
}

}  // namespace pagora::robustness
