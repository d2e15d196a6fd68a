// Damage one item of a small book at a time: every one must make the parse
// fail, never crash or read past what the file holds.
#include <gtest/gtest.h>

#include "container/container_reader.h"
#include "container/format.h"
#include "container/stream_primitives.h"
#include "support/book_builder.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

class CorruptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::buildBook(bookPath_, {{"index.html", "<p>index</p>"}, {"images\\a.png", "PNG"}});
    good_ = testing::readFile(bookPath_);
    layout_ = testing::describeBook(bookPath_);
  }

  bool parses() {
    ContainerReader reader(bookPath_);
    BookInfo info;
    BookFileTable table;
    ContainerTrailer trailer;
    return reader.parse(info, table, trailer);
  }
  void restore() { testing::writeFile(bookPath_, good_); }

  testing::ScratchFolder scratch_;
  std::string bookPath_ = scratch_ / "book";
  std::string good_;
  testing::BookLayout layout_;
};

TEST_F(CorruptionTest, TheUndamagedBookParsesWithItsMagicsWhereExpected) {
  EXPECT_TRUE(parses());
  std::vector<std::pair<std::int64_t, std::uint32_t>> magics = {
      {layout_.trailer, format::TRAILER_MAGIC},        {layout_.trailer + 20, format::TRAILER_END_MAGIC},
      {layout_.header, format::HEADER_MAGIC},          {layout_.headerEndMagic, format::HEADER_END_MAGIC},
      {layout_.stringList, format::STRING_LIST_MAGIC}, {layout_.fileTable, format::FILE_TABLE_MAGIC},
  };
  for (std::int64_t entry : layout_.entries) magics.emplace_back(entry, format::FILE_ENTRY_MAGIC);
  platform::File book = platform::File::openForReading(bookPath_);
  for (const auto& [position, magic] : magics) {
    ASSERT_TRUE(book.seek(position));
    EXPECT_TRUE(readConstant(book, magic)) << "no magic " << std::hex << magic << " at " << std::dec << position;
  }
  ASSERT_TRUE(book.seek(layout_.zeroWords + 12));
  EXPECT_TRUE(readConstant(book, 0));
  EXPECT_TRUE(readConstant(book, 1)) << "printAllowed follows the zero words";
}

TEST_F(CorruptionTest, EveryMagicByteMatters) {
  std::vector<std::pair<const char*, std::int64_t>> magics = {
      {"trailer magic", layout_.trailer},          {"trailer end magic", layout_.trailer + 20},
      {"header magic", layout_.header},            {"header end magic", layout_.headerEndMagic},
      {"string list magic", layout_.stringList},   {"file table magic", layout_.fileTable},
  };
  for (std::int64_t entry : layout_.entries) magics.emplace_back("file entry magic", entry);
  for (const auto& [what, position] : magics) {
    for (int byte = 0; byte < 4; ++byte) {
      SCOPED_TRACE(std::string(what) + " byte " + std::to_string(byte));
      testing::flipBitAt(bookPath_, position + byte, byte * 2);
      EXPECT_FALSE(parses());
      restore();
    }
  }
}

TEST_F(CorruptionTest, EveryCheckValueIsVerifiedInEveryBit) {
  for (int value = 0; value < 12; ++value) {
    for (int bit = 0; bit < 32; ++bit) {
      SCOPED_TRACE("check value " + std::to_string(value + 1) + " bit " + std::to_string(bit));
      testing::flipBitAt(bookPath_, layout_.checkValues + 4 * value + bit / 8, bit % 8);
      EXPECT_FALSE(parses());
      restore();
    }
  }
}

TEST_F(CorruptionTest, ZeroWordsMustBeZero) {
  for (int word = 0; word < 4; ++word) {
    for (std::int32_t value : {1, -1, INT32_MIN}) {
      SCOPED_TRACE("zero word " + std::to_string(word) + " = " + std::to_string(value));
      testing::setWordAt(bookPath_, layout_.zeroWords + 4 * word, value);
      EXPECT_FALSE(parses());
      restore();
    }
  }
}

// A text changed in the header no longer matches its check values.
TEST_F(CorruptionTest, TitleAndAuthorBytesAreCovered) {
  const std::int64_t titleBytes = layout_.header + 4 + 4 + 8 + 4 + 11 + 4;  // after the esbn "test-book-1"
  for (std::int64_t i = 0; i < 11; ++i) {
    testing::flipBitAt(bookPath_, titleBytes + i, 0);
    EXPECT_FALSE(parses()) << "title byte " << i;
    restore();
  }
}

TEST_F(CorruptionTest, EveryTruncationFails) {
  for (std::int64_t size = layout_.size - 1; size >= 0; --size) {
    testing::truncateFile(bookPath_, size);
    ASSERT_FALSE(parses()) << "truncated to " << size;
  }
}

TEST_F(CorruptionTest, BytesAfterTheTrailerHideIt) {
  testing::writeFile(bookPath_, good_ + "x");
  EXPECT_FALSE(parses());
}

}  // namespace
}  // namespace pagora
