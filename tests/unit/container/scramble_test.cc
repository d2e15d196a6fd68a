// scrambleBytes works on several bytes at a time: every length and every
// start alignment must still XOR exactly the bytes asked for, no more.
#include "container/scramble.h"

#include <gtest/gtest.h>

#include <vector>

namespace pagora {
namespace {

TEST(ScrambleBytesTest, XorsExactlyTheGivenRangeForEveryLengthAndAlignment) {
  constexpr std::uint8_t kKey = 0x2E;
  constexpr std::size_t kGuard = 8;
  for (std::size_t start = 0; start < 16; ++start) {
    for (std::size_t length = 0; length <= 100; ++length) {
      std::vector<unsigned char> bytes(kGuard + start + length + kGuard);
      for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 37 + 5);
      std::vector<unsigned char> expected = bytes;
      for (std::size_t i = kGuard + start; i < kGuard + start + length; ++i) expected[i] ^= kKey;

      scrambleBytes(bytes.data() + kGuard + start, length, kKey);
      ASSERT_EQ(bytes, expected) << "start " << start << ", length " << length;
    }
  }
}

TEST(ScrambleBytesTest, TwiceGivesTheBytesBack) {
  std::vector<unsigned char> bytes(32768 + 3);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i ^ (i >> 8));
  const std::vector<unsigned char> original = bytes;
  scrambleBytes(bytes.data(), bytes.size(), 0x6B);
  EXPECT_NE(bytes, original);
  scrambleBytes(bytes.data(), bytes.size(), 0x6B);
  EXPECT_EQ(bytes, original);
}

}  // namespace
}  // namespace pagora
