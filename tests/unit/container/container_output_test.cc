// ContainerOutput with write-behind must leave exactly the bytes that writing
// item by item would, and must not hide a write that failed.
#include "container/container_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "container/book_file_table.h"
#include "container/container_stream.h"
#include "container/coding.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

constexpr auto kWriteBehind = ContainerOutput::Mode::WriteBehind;
constexpr std::size_t kBlock = ContainerOutput::kWriteBehindSize;

class ContainerOutputTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) { return scratch_ / name; }
  testing::ScratchFolder scratch_;
};

// Writes the same items, among them texts longer than a block, both ways.
TEST_F(ContainerOutputTest, GivesTheBytesThatDirectWritesGive) {
  auto writeItems = [](ContainerOutput& target) {
    for (int i = 0; i < 3000; ++i) {
      if (!writeWord(target, i) || !writeText(target, std::string(static_cast<std::size_t>(i % 41), 'a' + i % 26))) {
        return false;
      }
      if (i % 1000 == 999 && !writeText(target, testing::patternBytes(kBlock + static_cast<std::size_t>(i)))) {
        return false;
      }
    }
    return writeConstant(target, 0xF11E5001u);
  };
  {
    platform::File direct = platform::File::create(path("direct"), 0600);
    ContainerOutput directOutput(direct);
    ASSERT_TRUE(writeItems(directOutput));
    platform::File gathered = platform::File::create(path("gathered"), 0600);
    ContainerOutput output(gathered, kWriteBehind);
    ASSERT_TRUE(writeItems(output));
    ASSERT_TRUE(output.flush());
    // What the writer counts its position by.
    EXPECT_EQ(output.taken(), direct.position());
  }
  ASSERT_GT(testing::fileSize(path("direct")), static_cast<std::int64_t>(3 * kBlock));
  EXPECT_EQ(testing::readFile(path("gathered")), testing::readFile(path("direct")));
}

TEST_F(ContainerOutputTest, GathersUntilFlushedThenLeavesTheFileAtTheEnd) {
  platform::File file = platform::File::create(path("items"), 0600);
  ContainerOutput output(file, kWriteBehind);
  ASSERT_TRUE(writeWord(output, 1));
  EXPECT_EQ(testing::fileSize(path("items")), 0);
  ASSERT_TRUE(output.flush());
  EXPECT_EQ(testing::fileSize(path("items")), 4);
  EXPECT_EQ(file.position(), 4);
}

// Bytes filled in the room given are kept in order with written ones, the
// block going out first when the room asked for does not fit.
TEST_F(ContainerOutputTest, RoomFilledInPlaceJoinsTheWrittenBytes) {
  const std::string expected = testing::patternBytes(5 * kBlock);
  platform::File file = platform::File::create(path("filled"), 0600);
  ContainerOutput output(file, kWriteBehind);
  std::size_t done = 0;
  for (std::size_t i = 0; done < expected.size(); ++i) {
    const std::size_t n = std::min<std::size_t>({i * 997 % kBlock + 1, expected.size() - done});
    if (i % 2 == 0) {
      ASSERT_EQ(output.write(expected.data() + done, n), static_cast<std::int64_t>(n));
    } else {
      unsigned char* room = output.room(n + 1);  // asks for more than it fills
      ASSERT_NE(room, nullptr);
      std::memcpy(room, expected.data() + done, n);
      output.keep(n);
    }
    done += n;
  }
  EXPECT_EQ(output.taken(), static_cast<std::int64_t>(expected.size()));
  ASSERT_TRUE(output.flush());
  EXPECT_EQ(testing::readFile(path("filled")), expected);

  EXPECT_EQ(output.room(kBlock + 1), nullptr) << "more than a block";
  ContainerOutput direct(file);
  EXPECT_EQ(direct.room(1), nullptr) << "nothing is gathered";
}

TEST_F(ContainerOutputTest, StoringStreamWritesThroughIt) {
  platform::File file = platform::File::create(path("entry"), 0600);
  {
    ContainerOutput output(file, kWriteBehind);
    ContainerStream storing(output);
    BookFileEntry entry{"index.html", 0, 12, 34};
    ASSERT_TRUE(entry.exchange(storing));
    ASSERT_TRUE(output.flush());
  }
  platform::File in = platform::File::openForReading(path("entry"));
  ContainerInput input(in);
  ContainerStream loading(input);
  BookFileEntry read;
  ASSERT_TRUE(read.exchange(loading));
  EXPECT_TRUE(read == (BookFileEntry{"index.html", 0, 12, 34}));
}

TEST_F(ContainerOutputTest, FailedWriteIsReportedByFlushAndLaterWrites) {
  testing::writeFile(path("read-only"), "");
  platform::File file = platform::File::openForReading(path("read-only"));
  ContainerOutput output(file, kWriteBehind);
  EXPECT_TRUE(writeWord(output, 1));  // only gathered so far
  EXPECT_FALSE(output.flush());
  EXPECT_FALSE(writeWord(output, 2));
  EXPECT_EQ(output.room(1), nullptr);
  EXPECT_FALSE(output.flush());
  ContainerOutput longRun(file, kWriteBehind);  // longer than a block: written at once
  EXPECT_FALSE(writeBytes(longRun, std::string(kBlock + 1, 'x').data(), kBlock + 1));
  EXPECT_FALSE(longRun.flush());
}

}  // namespace
}  // namespace pagora
