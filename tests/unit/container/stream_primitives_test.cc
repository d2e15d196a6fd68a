#include "container/stream_primitives.h"

#include <gtest/gtest.h>

#include "container/format.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

using namespace std::string_literals;
using testing::readFile;
using testing::writeFile;

std::string word(std::uint32_t value) {
  return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
          static_cast<char>(value >> 24)};
}

std::string scrambled(std::string bytes) {
  for (char& c : bytes) c = static_cast<char>(c ^ format::kRecordScramble);
  return bytes;
}

class PrimitivesTest : public ::testing::Test {
 protected:
  // A file holding `bytes`, open for reading at its start.
  platform::File fileHolding(const std::string& bytes) {
    writeFile(path_, bytes);
    return platform::File::openForReading(path_);
  }
  platform::File emptyFileForWriting() { return platform::File::create(path_, 0600); }
  std::string written() { return readFile(path_); }

  testing::ScratchFolder scratch_;
  std::string path_ = scratch_ / "items";
};

TEST_F(PrimitivesTest, WordsAreLittleEndianAndScrambled) {
  platform::File out = emptyFileForWriting();
  ASSERT_TRUE(writeWord(out, 0x01020304));
  EXPECT_EQ(written(), "\x6F\x68\x69\x6A");
}

TEST_F(PrimitivesTest, WordsRoundTrip) {
  for (std::int32_t value : {0, 1, -1, INT32_MIN, INT32_MAX, 0x6B6B6B6B}) {
    {
      platform::File out = emptyFileForWriting();
      ASSERT_TRUE(writeWord(out, value));
    }
    platform::File in = platform::File::openForReading(path_);
    std::int32_t read = 0;
    ASSERT_TRUE(readWord(in, read));
    EXPECT_EQ(read, value);
  }
}

TEST_F(PrimitivesTest, ShortWordFails) {
  platform::File in = fileHolding("abc");
  std::int32_t value = 0;
  EXPECT_FALSE(readWord(in, value));
}

TEST_F(PrimitivesTest, WriteBytesScramblesACopyAndLeavesTheCallersBytes) {
  const std::string plain = "Hello\x00\xFF"s;
  platform::File out = emptyFileForWriting();
  ASSERT_TRUE(writeBytes(out, plain.data(), plain.size()));
  EXPECT_EQ(plain, "Hello\x00\xFF"s);
  EXPECT_EQ(written(), scrambled(plain));
}

TEST_F(PrimitivesTest, ZeroBytesWriteAndReadNothing) {
  platform::File out = emptyFileForWriting();
  EXPECT_TRUE(writeBytes(out, nullptr, 0));
  EXPECT_EQ(written(), "");
  platform::File in = fileHolding("");
  EXPECT_TRUE(readBytes(in, nullptr, 0));
}

TEST_F(PrimitivesTest, ShortReadBytesFailsButDescramblesWhatCame) {
  platform::File in = fileHolding(scrambled("ab"));
  char buffer[4] = {};
  EXPECT_FALSE(readBytes(in, buffer, sizeof buffer));
  EXPECT_EQ(std::string(buffer, 2), "ab");
}

TEST_F(PrimitivesTest, EmptyTextIsItsLengthWordAlone) {
  {
    platform::File out = emptyFileForWriting();
    ASSERT_TRUE(writeText(out, ""));
  }
  EXPECT_EQ(written(), scrambled(word(0)));
  platform::File in = platform::File::openForReading(path_);
  std::string text = "old";
  EXPECT_TRUE(readText(in, text));
  EXPECT_EQ(text, "");
}

TEST_F(PrimitivesTest, TextRoundTripsWithoutTerminator) {
  {
    platform::File out = emptyFileForWriting();
    ASSERT_TRUE(writeText(out, "title"));
  }
  EXPECT_EQ(written(), scrambled(word(5) + "title"));
  platform::File in = platform::File::openForReading(path_);
  std::string text;
  EXPECT_TRUE(readText(in, text));
  EXPECT_EQ(text, "title");
}

TEST_F(PrimitivesTest, TextIsCutAtItsFirstZeroByte) {
  platform::File in = fileHolding(scrambled(word(5) + std::string("ab\0cd", 5)));
  std::string text;
  EXPECT_TRUE(readText(in, text));
  EXPECT_EQ(text, "ab");
  EXPECT_EQ(in.position(), 9);
}

TEST_F(PrimitivesTest, BadTextLengthsFailWithoutReadingFurther) {
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
    platform::File in = fileHolding(c.bytes);
    std::string text = "old";
    EXPECT_FALSE(readText(in, text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(in.position(), c.positionAfter);
  }
}

TEST_F(PrimitivesTest, TextFillingTheRestOfTheFileReads) {
  platform::File in = fileHolding(scrambled(word(4) + "abcd"));
  std::string text;
  EXPECT_TRUE(readText(in, text));
  EXPECT_EQ(text, "abcd");
}

TEST_F(PrimitivesTest, ConstantsMatchOnlyTheirValue) {
  platform::File in = fileHolding(scrambled(word(format::TRAILER_MAGIC) + word(format::TRAILER_MAGIC) + "xy"));
  EXPECT_TRUE(readConstant(in, format::TRAILER_MAGIC));
  EXPECT_FALSE(readConstant(in, format::TRAILER_END_MAGIC));
  EXPECT_FALSE(readConstant(in, format::TRAILER_MAGIC));  // only two bytes left
}

TEST_F(PrimitivesTest, UnscrambledMagicFails) {
  platform::File in = fileHolding(word(format::TRAILER_MAGIC));
  EXPECT_FALSE(readConstant(in, format::TRAILER_MAGIC));
}

TEST_F(PrimitivesTest, WritesToAFileOpenForReadingFail) {
  platform::File in = fileHolding("");
  EXPECT_FALSE(writeWord(in, 1));
  EXPECT_FALSE(writeText(in, "abc"));
  EXPECT_FALSE(writeText(in, ""));
  EXPECT_FALSE(writeConstant(in, format::HEADER_MAGIC));
}

}  // namespace
}  // namespace pagora
