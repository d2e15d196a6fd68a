// ContainerInput with read-ahead must hand out exactly the bytes, counts and
// remaining sizes that reading the file directly would, wherever an item
// falls against its block.
#include "container/container_input.h"

#include <gtest/gtest.h>

#include "container/book_file_table.h"
#include "container/container_writer.h"
#include "container/coding.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

constexpr auto kReadAhead = ContainerInput::Mode::ReadAhead;
constexpr std::size_t kBlock = ContainerInput::kReadAheadSize;

class ContainerInputTest : public ::testing::Test {
 protected:
  platform::File holding(const std::string& bytes) {
    testing::writeFile(path_, bytes);
    return platform::File::openForReading(path_);
  }
  platform::File forWriting() { return platform::File::create(path_, 0600); }
  platform::File forReading() { return platform::File::openForReading(path_); }

  testing::ScratchFolder scratch_;
  std::string path_ = scratch_ / "items";
};

TEST_F(ContainerInputTest, ReadsAcrossBlocksAsTheFileHoldsThem) {
  const std::string bytes = testing::patternBytes(3 * kBlock + 123);
  // Runs that end just before, on and just after a block's end, and one
  // longer than a block.
  for (std::size_t run : {std::size_t{1}, std::size_t{7}, kBlock - 1, kBlock, kBlock + 1, 2 * kBlock + 5}) {
    platform::File file = holding(bytes);
    ContainerInput in(file, kReadAhead);
    std::string read;
    std::string chunk(run, '\0');
    for (;;) {
      const std::int64_t got = in.read(chunk.data(), run);
      ASSERT_GE(got, 0);
      read.append(chunk.data(), static_cast<std::size_t>(got));
      EXPECT_EQ(in.remaining(), static_cast<std::int64_t>(bytes.size() - read.size())) << "run " << run;
      if (got < static_cast<std::int64_t>(run)) break;
    }
    EXPECT_EQ(read, bytes) << "run " << run;
  }
}

TEST_F(ContainerInputTest, StartsAtTheFilesPositionAndCountsRemainingFromThere) {
  platform::File file = holding(std::string(100, 'x') + "abcdef");
  ASSERT_TRUE(file.seek(100));
  ContainerInput in(file, kReadAhead);
  EXPECT_EQ(in.remaining(), 6);
  char bytes[4];
  EXPECT_EQ(in.read(bytes, 4), 4);
  EXPECT_EQ(std::string(bytes, 4), "abcd");
  EXPECT_EQ(in.remaining(), 2);  // the file itself has been read to its end
  EXPECT_EQ(in.read(bytes, 4), 2);
  EXPECT_EQ(in.remaining(), 0);
  EXPECT_EQ(in.read(bytes, 4), 0);
}

TEST_F(ContainerInputTest, TextLongerThanWhatRemainsFailsAsItDoesDirectly) {
  {
    platform::File file = forWriting();
    ContainerOutput out(file);
    ASSERT_TRUE(writeWord(out, 1000));
    ASSERT_TRUE(writeBytes(out, "short", 5));
  }
  platform::File directFile = forReading();
  ContainerInput direct(directFile);
  std::string text = "before";
  EXPECT_FALSE(readText(direct, text));
  EXPECT_EQ(text, "");
  platform::File file = forReading();
  ContainerInput in(file, kReadAhead);
  text = "before";
  EXPECT_FALSE(readText(in, text));
  EXPECT_EQ(text, "");
}

TEST_F(ContainerInputTest, FileTableOfManyRecordsReadsTheSameEitherWay) {
  // Names of varied lengths put record boundaries everywhere against the
  // block; a text longer than a block goes past it in one piece.
  std::vector<BookFileEntry> entries;
  for (int i = 0; i < 4000; ++i) {
    entries.push_back({"folder\\page" + std::string(static_cast<std::size_t>(i % 37), 'p') + std::to_string(i),
                       i % 3, i * 10, i});
  }
  entries.push_back({std::string(kBlock + 10, 'n'), 0, 1, 2});
  {
    platform::File file = forWriting();
    ContainerWriter writer(file);
    ASSERT_TRUE(writer.writeFileTable(entries));
    ContainerOutput out(file);
    ASSERT_TRUE(writeWord(out, 77));  // a section after the table
  }
  ASSERT_GT(testing::fileSize(path_), static_cast<std::int64_t>(2 * kBlock));

  platform::File directFile = forReading();
  ContainerInput direct(directFile);
  BookFileTable directTable;
  ASSERT_TRUE(directTable.read(direct));
  platform::File file = forReading();
  ContainerInput in(file, kReadAhead);
  BookFileTable table;
  ASSERT_TRUE(table.read(in));
  ASSERT_EQ(table.count(), static_cast<int>(entries.size()));
  EXPECT_TRUE(table.entries() == directTable.entries());
  EXPECT_TRUE(table.entries() == entries);
  std::int32_t after = 0;
  EXPECT_TRUE(readWord(in, after));
  EXPECT_EQ(after, 77);
}

TEST_F(ContainerInputTest, DirectInputLeavesTheFileJustAfterEachItem) {
  platform::File file = holding("0123456789");
  ContainerInput in(file);
  char bytes[3];
  EXPECT_EQ(in.read(bytes, 3), 3);
  EXPECT_EQ(file.position(), 3);
  EXPECT_EQ(in.remaining(), 7);
}

}  // namespace
}  // namespace pagora
