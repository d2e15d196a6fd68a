// The record routines, in both directions, on real files.
#include <gtest/gtest.h>

#include "container/book_file_table.h"
#include "container/book_info.h"
#include "container/container_stream.h"
#include "container/container_trailer.h"
#include "container/container_writer.h"
#include "container/format.h"
#include "container/stream_primitives.h"
#include "container/text_hash.h"
#include "support/book_builder.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

class RecordsTest : public ::testing::Test {
 protected:
  platform::File forWriting() { return platform::File::create(path_, 0600); }
  platform::File forReading() { return platform::File::openForReading(path_); }
  std::int64_t size() { return testing::fileSize(path_); }

  testing::ScratchFolder scratch_;
  std::string path_ = scratch_ / "records";
};

TEST_F(RecordsTest, TrailerRoundTripsInTwentyFourBytes) {
  ContainerTrailer written{100, -2, INT32_MAX, 7};
  {
    platform::File out = forWriting();
    ContainerStream storing(true, out);
    ASSERT_TRUE(written.exchange(storing));
  }
  EXPECT_EQ(size(), format::kTrailerSize);
  platform::File in = forReading();
  ContainerStream loading(false, in);
  ContainerTrailer read;
  ASSERT_TRUE(read.exchange(loading));
  EXPECT_EQ(read.headerOffset, 100);
  EXPECT_EQ(read.stringListOffset, -2);
  EXPECT_EQ(read.fileTableOffset, INT32_MAX);
  EXPECT_EQ(read.dataBase, 7);
}

TEST_F(RecordsTest, HeaderRoundTripsAndHasTheSizeOfItsTexts) {
  struct Case {
    const char* what;
    BookInfo info;
  };
  BookInfo everything = testing::sampleInfo();
  everything.reservedText1 = "r1";
  everything.reservedWord1 = -5;
  everything.reservedWord2 = 6;
  everything.reservedWord3 = 7;
  everything.reservedText2 = "second";
  everything.reservedText3 = "third reserved";
  everything.printAllowed = 0;
  everything.fileCount = 958;
  const Case cases[] = {{"every text empty", BookInfo{}}, {"every field set", everything}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      platform::File out = forWriting();
      ContainerStream storing(true, out);
      BookInfo toWrite = c.info;
      ASSERT_TRUE(toWrite.exchange(storing));
    }
    EXPECT_EQ(size(), headerSectionSize(c.info));
    platform::File in = forReading();
    ContainerStream loading(false, in);
    BookInfo read;
    ASSERT_TRUE(read.exchange(loading));
    EXPECT_EQ(read.reservedText1, c.info.reservedText1);
    EXPECT_EQ(read.reservedWord1, c.info.reservedWord1);
    EXPECT_EQ(read.reservedWord2, c.info.reservedWord2);
    EXPECT_EQ(read.esbn, c.info.esbn);
    EXPECT_EQ(read.title, c.info.title);
    EXPECT_EQ(read.author, c.info.author);
    EXPECT_EQ(read.authorEmail, c.info.authorEmail);
    EXPECT_EQ(read.webAddress, c.info.webAddress);
    EXPECT_EQ(read.publisher, c.info.publisher);
    EXPECT_EQ(read.contentsNotice, c.info.contentsNotice);
    EXPECT_EQ(read.printAllowed, c.info.printAllowed);
    EXPECT_EQ(read.reservedWord3, c.info.reservedWord3);
    EXPECT_EQ(read.reservedText2, c.info.reservedText2);
    EXPECT_EQ(read.reservedText3, c.info.reservedText3);
    EXPECT_EQ(read.fileCount, c.info.fileCount);
  }
  EXPECT_EQ(headerSectionSize(BookInfo{}), 132);
}

TEST(HeaderCheckValuesTest, FollowTheTextsLengthsAndHashes) {
  BookInfo info;
  info.title = "ab";
  info.author = "abc";
  info.publisher = "abcd";
  info.contentsNotice = "a";
  info.esbn = "not part of any check value";
  const std::array<std::uint32_t, 12> expected = {
      5, 7, 3, 5, 0x2 ^ 3, 3 ^ 4, 0x2 ^ 1, 0x2 ^ 3,  // hex: clang would read "2 ^ 3" as a power
      static_cast<std::uint32_t>(textHash("ab")), static_cast<std::uint32_t>(textHash("ababc")), 49378, 97 << 1,
  };
  EXPECT_EQ(headerCheckValues(info), expected);
}

// Writes a header item by item, its title holding a zero byte, with the check
// values of the title cut at that byte: the reader must compute the same.
TEST_F(RecordsTest, HeaderTitleWithZeroByteIsCutAndChecked) {
  BookInfo cut = testing::sampleInfo();
  cut.title = "ab";
  {
    platform::File out = forWriting();
    ASSERT_TRUE(writeConstant(out, format::HEADER_MAGIC));
    ASSERT_TRUE(writeText(out, "") && writeWord(out, 0) && writeWord(out, 0));
    ASSERT_TRUE(writeText(out, cut.esbn) && writeText(out, std::string("ab\0cd", 5)));
    for (const std::string* text : {&cut.author, &cut.authorEmail, &cut.webAddress, &cut.publisher,
                                    &cut.contentsNotice}) {
      ASSERT_TRUE(writeText(out, *text));
    }
    for (std::uint32_t value : headerCheckValues(cut)) ASSERT_TRUE(writeConstant(out, value));
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(writeConstant(out, 0));
    ASSERT_TRUE(writeWord(out, 1) && writeWord(out, 0) && writeText(out, "") && writeText(out, ""));
    ASSERT_TRUE(writeWord(out, 3) && writeConstant(out, format::HEADER_END_MAGIC));
  }
  platform::File in = forReading();
  ContainerStream loading(false, in);
  BookInfo read;
  ASSERT_TRUE(read.exchange(loading));
  EXPECT_EQ(read.title, "ab");
  EXPECT_EQ(read.fileCount, 3);
}

// Storing a title with a zero byte computes its check values on the whole
// text; reading cuts it, so the header no longer verifies.
TEST_F(RecordsTest, HeaderStoredWithZeroByteInTitleFailsToVerify) {
  BookInfo info = testing::sampleInfo();
  info.title = std::string("ab\0cd", 5);
  {
    platform::File out = forWriting();
    ContainerStream storing(true, out);
    ASSERT_TRUE(info.exchange(storing));
  }
  platform::File in = forReading();
  ContainerStream loading(false, in);
  BookInfo read;
  EXPECT_FALSE(read.exchange(loading));
}

TEST_F(RecordsTest, FailedHeaderKeepsWhatWasReadAndLeavesTheRest) {
  BookInfo info = testing::sampleInfo();
  {
    platform::File out = forWriting();
    ContainerStream storing(true, out);
    ASSERT_TRUE(info.exchange(storing));
  }
  std::int64_t checkValues = 4 + 4 + 8;
  for (const std::string* text : {&info.esbn, &info.title, &info.author, &info.authorEmail, &info.webAddress,
                                  &info.publisher, &info.contentsNotice}) {
    checkValues += 4 + static_cast<std::int64_t>(text->size());
  }
  testing::flipBitAt(path_, checkValues + 4 * 5, 0);  // the sixth check value
  platform::File in = forReading();
  ContainerStream loading(false, in);
  BookInfo read;
  read.printAllowed = 77;
  EXPECT_FALSE(read.exchange(loading));
  EXPECT_EQ(read.title, info.title);
  EXPECT_EQ(read.contentsNotice, info.contentsNotice);
  EXPECT_EQ(read.printAllowed, 77);
}

TEST_F(RecordsTest, FileEntryRoundTripsInTwentyBytesAndItsName) {
  BookFileEntry written{"images\\cover.png", 9, 1234, 0};
  {
    platform::File out = forWriting();
    ContainerStream storing(true, out);
    ASSERT_TRUE(written.exchange(storing));
  }
  EXPECT_EQ(size(), 20 + 16);
  platform::File in = forReading();
  ContainerStream loading(false, in);
  BookFileEntry read;
  ASSERT_TRUE(read.exchange(loading));
  EXPECT_EQ(read.name, written.name);
  EXPECT_EQ(read.reservedFlag, 9);
  EXPECT_EQ(read.offset, 1234);
  EXPECT_EQ(read.size, 0);
}

// The file-table section written item by item: magic, count, records.
void writeTable(platform::File& out, std::int32_t count, const std::vector<BookFileEntry>& records) {
  ASSERT_TRUE(writeConstant(out, format::FILE_TABLE_MAGIC) && writeWord(out, count));
  ContainerStream storing(true, out);
  for (BookFileEntry record : records) ASSERT_TRUE(record.exchange(storing));
}

TEST_F(RecordsTest, FileTableReadsItsRecordsInStoredOrder) {
  const std::vector<BookFileEntry> records = {{"b.html", 0, 0, 10}, {"a.html", 0, 10, 5}, {"c", 0, 15, 0}};
  {
    platform::File out = forWriting();
    writeTable(out, 3, records);
  }
  platform::File in = forReading();
  BookFileTable table;
  table.append({"stale", 0, 0, 0});
  ASSERT_TRUE(table.read(in));
  ASSERT_EQ(table.count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(table.entryAt(i).name, records[static_cast<std::size_t>(i)].name);
    EXPECT_EQ(table.entryAt(i).offset, records[static_cast<std::size_t>(i)].offset);
  }
}

TEST_F(RecordsTest, FileTableWithNoRecordsReadsEmpty) {
  for (std::int32_t count : {0, -1, INT32_MIN}) {
    SCOPED_TRACE(count);
    {
      platform::File out = forWriting();
      writeTable(out, count, {});
    }
    EXPECT_EQ(size(), 8);
    platform::File in = forReading();
    BookFileTable table;
    table.append({"stale", 0, 0, 0});
    EXPECT_TRUE(table.read(in));
    EXPECT_EQ(table.count(), 0);
  }
}

TEST_F(RecordsTest, FileTableStopsAtTheFirstBadRecord) {
  {
    platform::File out = forWriting();
    writeTable(out, INT32_MAX, {{"one", 0, 0, 1}, {"two", 0, 1, 1}});
  }
  platform::File in = forReading();
  BookFileTable table;
  EXPECT_FALSE(table.read(in));
  EXPECT_EQ(table.count(), 2);
}

TEST_F(RecordsTest, StringListIsValidatedAndDiscarded) {
  struct Case {
    const char* what;
    std::int32_t count;
    std::vector<std::string> texts;
    bool reads;
  };
  const Case cases[] = {
      {"empty", 0, {}, true},
      {"negative count", -3, {}, true},
      {"two texts", 2, {"first", ""}, true},
      {"fewer texts than counted", 3, {"first", "second"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      platform::File out = forWriting();
      ASSERT_TRUE(writeConstant(out, format::STRING_LIST_MAGIC) && writeWord(out, c.count));
      for (const std::string& text : c.texts) ASSERT_TRUE(writeText(out, text));
    }
    platform::File in = forReading();
    EXPECT_EQ(readStringList(in), c.reads);
  }
  {
    platform::File out = forWriting();
    ASSERT_TRUE(writeConstant(out, format::FILE_TABLE_MAGIC) && writeWord(out, 0));
  }
  platform::File in = forReading();
  EXPECT_FALSE(readStringList(in)) << "the file table's magic is not the string list's";
}

}  // namespace
}  // namespace pagora
