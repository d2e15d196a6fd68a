// The reader on real files: every section at its own offset, in any order;
// a stored file's bytes wherever they lie, and none from outside the book.
#include "container/container_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "container/container_writer.h"
#include "container/format.h"
#include "container/scramble.h"
#include "support/book_image.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

using testing::BookImage;
using testing::TestFile;

class ContainerReaderTest : public ::testing::Test {
 protected:
  bool parse() { return reader_.parse(info_, table_, trailer_); }

  testing::ScratchFolder scratch_;
  std::string bookPath_ = scratch_ / "book";
  ContainerReader reader_{bookPath_};
  BookInfo info_;
  BookFileTable table_;
  ContainerTrailer trailer_;
};

TEST_F(ContainerReaderTest, ParseReadsEverySection) {
  BookImage::of({{"index.html", "<p>hi</p>"}, {"images\\a.png", "PNG"}, {"empty", ""}})
      .writeTo(bookPath_);
  ASSERT_TRUE(parse());
  BookInfo expected = testing::sampleInfo();
  expected.fileCount = 3;
  EXPECT_TRUE(info_ == expected);
  EXPECT_EQ(trailer_.dataBase, static_cast<std::int32_t>(testing::kFakeViewer.size()));
  EXPECT_TRUE(table_.entries() ==
              (std::vector<BookFileEntry>{{"index.html", 0, 0, 9}, {"images\\a.png", 0, 9, 3}, {"empty", 0, 12, 0}}));
  EXPECT_EQ(reader_.size(), testing::fileSize(bookPath_));
}

enum class Section { Data, Header, StringList, FileTable };

// Writes the sections in `order` with a few stray bytes before each. Offsets
// count from dataBase, so the table can be written before the data it describes.
void writeBookInOrder(const std::string& path, const std::vector<Section>& order, const std::vector<TestFile>& files) {
  platform::File out = platform::File::create(path, 0755);
  ASSERT_TRUE(out.isOpen());
  ASSERT_EQ(out.write(testing::kFakeViewer.data(), testing::kFakeViewer.size()),
            static_cast<std::int64_t>(testing::kFakeViewer.size()));
  std::vector<BookFileEntry> entries;
  std::int32_t offset = 0;
  for (const TestFile& file : files) {
    entries.push_back({file.name, 0, offset, static_cast<std::int32_t>(file.bytes.size())});
    offset += static_cast<std::int32_t>(file.bytes.size());
  }
  BookInfo info = testing::sampleInfo();
  info.fileCount = static_cast<std::int32_t>(files.size());
  ContainerWriter writer(out);
  for (Section section : order) {
    ASSERT_EQ(out.write("gap", 3), 3);
    switch (section) {
      case Section::Data:
        ASSERT_TRUE(writer.startData());
        for (std::size_t i = 0; i < files.size(); ++i) {
          BookFileEntry stored;
          ASSERT_FALSE(writer.appendFile({files[i].name, "", files[i].bytes}, stored));
          ASSERT_EQ(stored.offset, entries[i].offset);
        }
        break;
      case Section::Header: ASSERT_TRUE(writer.writeHeader(info)); break;
      case Section::StringList: ASSERT_TRUE(writer.writeStringList({"any", "texts"})); break;
      case Section::FileTable: ASSERT_TRUE(writer.writeFileTable(entries)); break;
    }
  }
  ASSERT_TRUE(writer.writeTrailer());
}

TEST_F(ContainerReaderTest, SectionsMayComeInAnyOrder) {
  const std::vector<TestFile> files = {{"index.html", "<p>index</p>"}, {"b.bin", testing::patternBytes(40000)}};
  std::vector<Section> records = {Section::FileTable, Section::Header, Section::StringList};
  std::sort(records.begin(), records.end());
  do {
    for (bool dataFirst : {true, false}) {
      std::vector<Section> order = records;
      order.insert(dataFirst ? order.begin() : order.end(), Section::Data);
      std::string trace;
      for (Section section : order) trace += ' ' + std::to_string(static_cast<int>(section));
      SCOPED_TRACE("section order" + trace);
      writeBookInOrder(bookPath_, order, files);
      ContainerReader reader(bookPath_);
      ASSERT_TRUE(reader.parse(info_, table_, trailer_));
      EXPECT_EQ(info_.title, testing::sampleInfo().title);
      ASSERT_EQ(table_.count(), 2);
      for (int i = 0; i < 2; ++i) {
        std::string bytes;
        ASSERT_TRUE(reader.readEntry(table_.entryAt(i), trailer_, bytes));
        EXPECT_EQ(bytes, files[static_cast<std::size_t>(i)].bytes);
      }
    }
  } while (std::next_permutation(records.begin(), records.end()));
}

// Both ways out of the book give the same bytes: copied through the transfer
// buffer into a file, or read whole.
TEST_F(ContainerReaderTest, EntriesOfEverySizeAroundTheTransferBufferComeOutWhole) {
  std::vector<TestFile> files;
  for (std::size_t size : {0, 1, 32767, 32768, 32769, 65537}) {
    files.push_back({"file-" + std::to_string(size), testing::patternBytes(size, static_cast<std::uint32_t>(size))});
  }
  BookImage::of(files).writeTo(bookPath_);
  ASSERT_TRUE(parse());
  std::vector<unsigned char> buffer;
  for (int i = 0; i < table_.count(); ++i) {
    const TestFile& file = files[static_cast<std::size_t>(i)];
    SCOPED_TRACE(file.name);
    const std::string copyPath = scratch_ / ("copy-" + file.name);
    platform::File copy = platform::File::create(copyPath, 0600);
    ASSERT_TRUE(reader_.copyEntryTo(table_.entryAt(i), trailer_, copy, buffer));
    EXPECT_EQ(testing::readFile(copyPath), file.bytes);
    std::string whole = "old";
    ASSERT_TRUE(reader_.readEntry(table_.entryAt(i), trailer_, whole));
    EXPECT_EQ(whole, file.bytes);
  }
}

// An entry's data is checked against the book before a byte is written: data
// that lies outside it in any part is a failed read (EIO) with nothing
// written, never the wrong bytes. A size of zero or less is an empty file.
TEST_F(ContainerReaderTest, DataOutsideTheBookIsRefusedBeforeAnythingIsWritten) {
  const std::string data = testing::patternBytes(40000);
  BookImage::of({{"file", data}}).writeTo(bookPath_);
  ASSERT_TRUE(parse());
  const std::int32_t viewerSize = trailer_.dataBase;
  std::string rest = testing::readFile(bookPath_).substr(static_cast<std::size_t>(viewerSize));
  scrambleBytes(reinterpret_cast<unsigned char*>(rest.data()), rest.size(), format::kDataScramble);
  const auto available = static_cast<std::int32_t>(rest.size());
  struct Case {
    const char* what;
    std::int32_t offset;  // relative to dataBase
    std::int32_t size;
    bool reads;
    std::string bytes;
  };
  const Case cases[] = {
      {"size zero at a wild offset", INT32_MAX, 0, true, ""},
      {"negative size", 0, -5, true, ""},
      {"the whole stored file", 0, 40000, true, data},
      {"data starting at the viewer's first byte", -viewerSize, 1, true,
       std::string(1, static_cast<char>(testing::kFakeViewer[0] ^ format::kDataScramble))},
      {"data ending at the book's last byte", 0, available, true, rest},
      {"data starting beyond the end", 10000000, 1, false, ""},
      {"data starting before the file", -viewerSize - 1, 1, false, ""},
      {"data running past the end", 0, INT32_MAX, false, ""},
      {"data one byte longer than the book", 0, available + 1, false, ""},
  };
  std::vector<unsigned char> buffer;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const BookFileEntry entry{"file", 0, c.offset, c.size};
    const std::string copyPath = scratch_ / "copy";
    platform::File copy = platform::File::create(copyPath, 0600);
    errno = 0;
    EXPECT_EQ(reader_.copyEntryTo(entry, trailer_, copy, buffer), c.reads);
    if (!c.reads) {
      EXPECT_EQ(errno, EIO);
    }
    std::string whole = "old";
    EXPECT_EQ(reader_.readEntry(entry, trailer_, whole), c.reads);
    EXPECT_EQ(testing::readFile(copyPath), c.bytes);
    EXPECT_EQ(whole, c.bytes);
  }
}

TEST_F(ContainerReaderTest, OpenKeepsOneHandleAndRetriesAfterFailure) {
  EXPECT_FALSE(reader_.open());
  EXPECT_EQ(reader_.lastOpenError(), ENOENT);
  EXPECT_EQ(reader_.size(), -1);
  EXPECT_FALSE(parse());
  BookImage::of({{"index.html", "x"}}).writeTo(bookPath_);
  EXPECT_TRUE(reader_.open());
  EXPECT_TRUE(reader_.open());
  EXPECT_TRUE(parse());
  reader_.close();
  reader_.close();
  EXPECT_EQ(reader_.size(), -1);
  EXPECT_TRUE(parse()) << "parse opens the file again";
}

// The test program has no book appended to it.
TEST_F(ContainerReaderTest, RunningExecutableWithoutContainerFailsToParse) {
  ContainerReader self;
  ASSERT_TRUE(self.open());
  EXPECT_FALSE(self.parse(info_, table_, trailer_));
}

}  // namespace
}  // namespace pagora
