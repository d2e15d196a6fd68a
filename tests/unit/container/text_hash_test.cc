#include "container/text_hash.h"

#include <gtest/gtest.h>

#include <string>

namespace pagora {
namespace {

// Expected values worked through by hand from the algorithm.
TEST(TextHashTest, KnownValues) {
  struct Case {
    std::string text;
    std::int32_t hash;
  };
  const Case cases[] = {
      {"", 0},
      {"abc", 49378},
      {"a", 97 << 1},                 // s = 97, shift 97 % 24 = 1
      {std::string(1, '\0'), 0},      // s = 0: no shift
      {"\xFF", 0xFF << 15},           // s = 255, shift 15, no high half
      {std::string(1, '\x17'), 0x17 << 23},  // s = 23, shift 23: all in the high half
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::uint32_t expected = static_cast<std::uint32_t>(c.hash);
    expected = (expected >> 16) ^ (expected & 0xFFFF);
    EXPECT_EQ(textHash(c.text), static_cast<std::int32_t>(expected));
  }
}

TEST(TextHashTest, AlwaysSixteenBits) {
  std::string text;
  for (int i = 0; i < 2000; ++i) {
    text += static_cast<char>(i * 37);
    std::int32_t hash = textHash(text);
    ASSERT_GE(hash, 0);
    ASSERT_LE(hash, 0xFFFF);
  }
}

// The running sum is a signed 32-bit value; past its maximum it turns
// negative and the shift (a truncated remainder) goes to zero or below.
TEST(TextHashTest, RunningSumWrapsAsSigned) {
  std::string text(9000000, '\xFF');
  std::int32_t hash = textHash(text);
  EXPECT_GE(hash, 0);
  EXPECT_LE(hash, 0xFFFF);
  EXPECT_EQ(hash, textHash(text));
}

}  // namespace
}  // namespace pagora
