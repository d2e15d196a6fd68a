// The record routines, in both directions, on real files.
#include <gtest/gtest.h>

#include "container/book_file_table.h"
#include "container/book_info.h"
#include "container/container_stream.h"
#include "container/container_trailer.h"
#include "container/container_writer.h"
#include "container/format.h"
#include "container/coding.h"
#include "container/text_hash.h"
#include "support/book_image.h"
#include "support/printers.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

// A file being written item by item, directly, or read back the same way.
class Writing {
 public:
  explicit Writing(const std::string& path) : file_(platform::File::create(path, 0600)) {}
  ContainerOutput& out() { return out_; }
  ContainerStream& stream() { return storing_; }

 private:
  platform::File file_;
  ContainerOutput out_{file_};
  ContainerStream storing_{out_};
};

class Reading {
 public:
  explicit Reading(const std::string& path) : file_(platform::File::openForReading(path)) {}
  ContainerInput& in() { return in_; }
  ContainerStream& stream() { return loading_; }

 private:
  platform::File file_;
  ContainerInput in_{file_};
  ContainerStream loading_{in_};
};

class RecordsTest : public ::testing::Test {
 protected:
  std::int64_t size() { return testing::fileSize(path_); }

  testing::ScratchFolder scratch_;
  std::string path_ = scratch_ / "records";
};

TEST_F(RecordsTest, TrailerRoundTripsInTwentyFourBytes) {
  ContainerTrailer written{100, -2, INT32_MAX, 7};
  {
    Writing out(path_);
    ASSERT_TRUE(written.exchange(out.stream()));
  }
  EXPECT_EQ(size(), ContainerTrailer::kEncodedSize);
  Reading in(path_);
  ContainerTrailer read;
  ASSERT_TRUE(read.exchange(in.stream()));
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
      Writing out(path_);
      BookInfo toWrite = c.info;
      ASSERT_TRUE(toWrite.exchange(out.stream()));
    }
    EXPECT_EQ(size(), c.info.encodedSize());
    Reading in(path_);
    BookInfo read;
    ASSERT_TRUE(read.exchange(in.stream()));
    EXPECT_EQ(read, c.info);
  }
  EXPECT_EQ(BookInfo{}.encodedSize(), 132);
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
    Writing writing(path_);
    ContainerOutput& out = writing.out();
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
  Reading in(path_);
  BookInfo read;
  ASSERT_TRUE(read.exchange(in.stream()));
  EXPECT_EQ(read.title, "ab");
  EXPECT_EQ(read.fileCount, 3);
}

// Storing a title with a zero byte computes its check values on the whole
// text; reading cuts it, so the header no longer verifies.
TEST_F(RecordsTest, HeaderStoredWithZeroByteInTitleFailsToVerify) {
  BookInfo info = testing::sampleInfo();
  info.title = std::string("ab\0cd", 5);
  {
    Writing out(path_);
    ASSERT_TRUE(info.exchange(out.stream()));
  }
  Reading in(path_);
  BookInfo read;
  EXPECT_FALSE(read.exchange(in.stream()));
}

TEST_F(RecordsTest, FailedHeaderKeepsWhatWasReadAndLeavesTheRest) {
  BookInfo info = testing::sampleInfo();
  {
    Writing out(path_);
    ASSERT_TRUE(info.exchange(out.stream()));
  }
  std::int64_t checkValues = 4 + 4 + 8;
  for (const std::string* text : {&info.esbn, &info.title, &info.author, &info.authorEmail, &info.webAddress,
                                  &info.publisher, &info.contentsNotice}) {
    checkValues += 4 + static_cast<std::int64_t>(text->size());
  }
  std::string bytes = testing::readFile(path_);
  bytes.at(static_cast<std::size_t>(checkValues + 4 * 5)) ^= 1;  // the sixth check value
  testing::writeFile(path_, bytes);
  Reading in(path_);
  BookInfo read;
  read.printAllowed = 77;
  EXPECT_FALSE(read.exchange(in.stream()));
  EXPECT_EQ(read.title, info.title);
  EXPECT_EQ(read.contentsNotice, info.contentsNotice);
  EXPECT_EQ(read.printAllowed, 77);
}

TEST_F(RecordsTest, FileEntryRoundTripsInTwentyBytesAndItsName) {
  BookFileEntry written{"images\\cover.png", 9, 1234, 0};
  {
    Writing out(path_);
    ASSERT_TRUE(written.exchange(out.stream()));
  }
  EXPECT_EQ(size(), 20 + 16);
  EXPECT_EQ(size(), written.encodedSize());
  Reading in(path_);
  BookFileEntry read;
  ASSERT_TRUE(read.exchange(in.stream()));
  EXPECT_EQ(read.name, written.name);
  EXPECT_EQ(read.reservedFlag, 9);
  EXPECT_EQ(read.offset, 1234);
  EXPECT_EQ(read.size, 0);
}

// The file-table section written item by item: magic, count, records.
void writeTable(const std::string& path, std::int32_t count, const std::vector<BookFileEntry>& records) {
  Writing out(path);
  ASSERT_TRUE(writeConstant(out.out(), format::FILE_TABLE_MAGIC) && writeWord(out.out(), count));
  for (BookFileEntry record : records) ASSERT_TRUE(record.exchange(out.stream()));
}

TEST_F(RecordsTest, FileTableReadsItsRecordsInStoredOrder) {
  const std::vector<BookFileEntry> records = {{"b.html", 0, 0, 10}, {"a.html", 0, 10, 5}, {"c", 0, 15, 0}};
  writeTable(path_, 3, records);
  EXPECT_EQ(size(), fileTableEncodedSize(records));
  Reading in(path_);
  BookFileTable table;
  table.append({"stale", 0, 0, 0});
  ASSERT_TRUE(table.read(in.in()));
  ASSERT_EQ(table.count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(table.entryAt(i).name, records[static_cast<std::size_t>(i)].name);
    EXPECT_EQ(table.entryAt(i).offset, records[static_cast<std::size_t>(i)].offset);
  }
}

TEST_F(RecordsTest, FileTableWithNoRecordsReadsEmpty) {
  for (std::int32_t count : {0, -1, INT32_MIN}) {
    SCOPED_TRACE(count);
    writeTable(path_, count, {});
    EXPECT_EQ(size(), 8);
    Reading in(path_);
    BookFileTable table;
    table.append({"stale", 0, 0, 0});
    EXPECT_TRUE(table.read(in.in()));
    EXPECT_EQ(table.count(), 0);
  }
}

TEST_F(RecordsTest, FileTableStopsAtTheFirstBadRecord) {
  writeTable(path_, INT32_MAX, {{"one", 0, 0, 1}, {"two", 0, 1, 1}});
  Reading in(path_);
  BookFileTable table;
  EXPECT_FALSE(table.read(in.in()));
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
      Writing out(path_);
      ASSERT_TRUE(writeConstant(out.out(), format::STRING_LIST_MAGIC) && writeWord(out.out(), c.count));
      for (const std::string& text : c.texts) ASSERT_TRUE(writeText(out.out(), text));
    }
    Reading in(path_);
    EXPECT_EQ(readStringList(in.in()), c.reads);
    if (c.reads) {
      EXPECT_EQ(size(), stringListEncodedSize(c.texts));
    }
  }
  {
    Writing out(path_);
    ASSERT_TRUE(writeConstant(out.out(), format::FILE_TABLE_MAGIC) && writeWord(out.out(), 0));
  }
  Reading in(path_);
  EXPECT_FALSE(readStringList(in.in())) << "the file table's magic is not the string list's";
}

}  // namespace
}  // namespace pagora
