// The container's items on real files: words little-endian and scrambled,
// texts as a length and their bytes, and every way a short or hostile file
// makes a read fail without reading further.
#include "container/coding.h"

#include <gtest/gtest.h>

#include "container/format.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

using namespace std::string_literals;

std::string word(std::uint32_t value) {
  unsigned char bytes[4];
  encodeFixed32(value, bytes);
  return std::string(reinterpret_cast<const char*>(bytes), 4);
}

std::string scrambled(std::string bytes) {
  for (char& c : bytes) c = static_cast<char>(c ^ format::kRecordScramble);
  return bytes;
}

class CodingTest : public ::testing::Test {
 protected:
  // A file holding `bytes`, open for reading at its start.
  platform::File holding(const std::string& bytes) {
    testing::writeFile(path_, bytes);
    return platform::File::openForReading(path_);
  }
  platform::File forWriting() { return platform::File::create(path_, 0600); }
  std::string written() { return testing::readFile(path_); }

  testing::ScratchFolder scratch_;
  std::string path_ = scratch_ / "items";
};

TEST(ByteOrderTest, LeastSignificantByteFirst) {
  unsigned char bytes[4];
  encodeFixed32(0x01020304, bytes);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), 4), "\x04\x03\x02\x01");
  for (std::uint32_t value : {0u, 1u, 0x80000000u, 0xFFFFFFFFu, 0x6B6B6B6Bu}) {
    encodeFixed32(value, bytes);
    EXPECT_EQ(decodeFixed32(bytes), value);
  }
}

TEST_F(CodingTest, WordsAreLittleEndianScrambledAndRoundTrip) {
  {
    platform::File file = forWriting();
    ContainerOutput out(file);
    ASSERT_TRUE(writeWord(out, 0x01020304));
  }
  EXPECT_EQ(written(), "\x6F\x68\x69\x6A");
  for (std::int32_t value : {0, 1, -1, INT32_MIN, INT32_MAX, 0x6B6B6B6B}) {
    {
      platform::File file = forWriting();
      ContainerOutput out(file);
      ASSERT_TRUE(writeWord(out, value));
    }
    platform::File file = platform::File::openForReading(path_);
    ContainerInput in(file);
    std::int32_t read = 0;
    ASSERT_TRUE(readWord(in, read));
    EXPECT_EQ(read, value);
  }
}

TEST_F(CodingTest, ShortWordFails) {
  platform::File file = holding("abc");
  ContainerInput in(file);
  std::int32_t value = 0;
  EXPECT_FALSE(readWord(in, value));
}

TEST_F(CodingTest, WriteBytesScramblesACopyAndLeavesTheCallersBytes) {
  const std::string plain = "Hello\x00\xFF"s;
  {
    platform::File file = forWriting();
    ContainerOutput out(file);
    ASSERT_TRUE(writeBytes(out, plain.data(), plain.size()));
    EXPECT_TRUE(writeBytes(out, nullptr, 0));
  }
  EXPECT_EQ(plain, "Hello\x00\xFF"s);
  EXPECT_EQ(written(), scrambled(plain));
  platform::File file = holding("");
  ContainerInput in(file);
  EXPECT_TRUE(readBytes(in, nullptr, 0));
}

TEST_F(CodingTest, ShortReadBytesFailsButDescramblesWhatCame) {
  platform::File file = holding(scrambled("ab"));
  ContainerInput in(file);
  char buffer[4] = {};
  EXPECT_FALSE(readBytes(in, buffer, sizeof buffer));
  EXPECT_EQ(std::string(buffer, 2), "ab");
}

// A text is its length, then its bytes: no terminator, and nothing but the
// length for an empty one.
TEST_F(CodingTest, TextsRoundTripAsLengthAndBytes) {
  for (const std::string& text : {""s, "title"s, std::string(70000, 'L')}) {
    SCOPED_TRACE(text.size());
    {
      platform::File file = forWriting();
      ContainerOutput out(file);
      ASSERT_TRUE(writeText(out, text));
    }
    EXPECT_EQ(written(), scrambled(word(static_cast<std::uint32_t>(text.size())) + text));
    EXPECT_EQ(static_cast<std::int64_t>(written().size()), encodedTextSize(text.size()));
    platform::File file = platform::File::openForReading(path_);
    ContainerInput in(file);
    std::string read = "old";
    EXPECT_TRUE(readText(in, read));
    EXPECT_EQ(read, text);
    EXPECT_EQ(in.remaining(), 0);
  }
}

TEST_F(CodingTest, TextIsCutAtItsFirstZeroByteButReadWhole) {
  platform::File file = holding(scrambled(word(5) + "ab\0cd"s + "rest"));
  ContainerInput in(file);
  std::string text;
  EXPECT_TRUE(readText(in, text));
  EXPECT_EQ(text, "ab");
  EXPECT_EQ(file.position(), 9);
}

TEST_F(CodingTest, BadTextLengthsFailWithoutReadingFurther) {
  struct Case {
    const char* what;
    std::string bytes;
    std::int64_t positionAfter;
  };
  const Case cases[] = {
      {"length word cut short", scrambled("\x01\x00"s), 2},
      {"negative length", scrambled(word(0xFFFFFFFF) + "abcd"), 4},
      {"most negative length", scrambled(word(0x80000000) + "abcd"), 4},
      {"length beyond the file", scrambled(word(5) + "abcd"), 4},
      {"huge length", scrambled(word(0x7FFFFFFF) + "abcd"), 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::File file = holding(c.bytes);
    ContainerInput in(file);
    std::string text = "old";
    EXPECT_FALSE(readText(in, text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(file.position(), c.positionAfter);
  }
}

TEST_F(CodingTest, ConstantsMatchOnlyTheirValueAsStored) {
  platform::File file = holding(scrambled(word(format::TRAILER_MAGIC) + word(format::TRAILER_MAGIC) + "xy"));
  ContainerInput in(file);
  EXPECT_TRUE(readConstant(in, format::TRAILER_MAGIC));
  EXPECT_FALSE(readConstant(in, format::TRAILER_END_MAGIC));
  EXPECT_FALSE(readConstant(in, format::TRAILER_MAGIC)) << "only two bytes left";

  platform::File plain = holding(word(format::TRAILER_MAGIC));
  ContainerInput unscrambled(plain);
  EXPECT_FALSE(readConstant(unscrambled, format::TRAILER_MAGIC));
}

TEST_F(CodingTest, WritesToAFileOpenForReadingFail) {
  platform::File file = holding("");
  ContainerOutput out(file);
  EXPECT_FALSE(writeWord(out, 1));
  EXPECT_FALSE(writeText(out, "abc"));
  EXPECT_FALSE(writeText(out, ""));
  EXPECT_FALSE(writeConstant(out, format::HEADER_MAGIC));
}

}  // namespace
}  // namespace pagora
