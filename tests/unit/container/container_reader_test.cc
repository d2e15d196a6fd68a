#include "container/container_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "container/container_writer.h"
#include "support/book_builder.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

using testing::readFile;
using testing::TestFile;

class ContainerReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(outFolder_.isOpen()); }

  // Parses the book at bookPath_ into the fixture's records.
  bool parse() { return reader_.parse(info_, table_, trailer_); }
  bool extract(int index) { return reader_.extractFile(table_, index, trailer_, outFolder_); }
  std::string extracted(const std::string& relative) { return readFile(scratch_ / ("out/" + relative)); }
  bool existsInOut(const std::string& relative) { return ::access((scratch_ / ("out/" + relative)).c_str(), F_OK) == 0; }

  testing::ScratchFolder scratch_;
  std::string bookPath_ = scratch_ / "book";
  platform::Directory outFolder_ = [this] {
    ::mkdir((scratch_ / "out").c_str(), 0700);
    return platform::Directory::open(scratch_ / "out");
  }();
  ContainerReader reader_{bookPath_};
  BookInfo info_;
  BookFileTable table_;
  ContainerTrailer trailer_;
};

TEST_F(ContainerReaderTest, ParseReadsEverySection) {
  testing::buildBook(bookPath_, {{"index.html", "<p>hi</p>"}, {"images\\a.png", "PNG"}, {"empty", ""}});
  ASSERT_TRUE(parse());
  EXPECT_EQ(info_.title, testing::sampleInfo().title);
  EXPECT_EQ(info_.esbn, testing::sampleInfo().esbn);
  EXPECT_EQ(info_.fileCount, 3);
  EXPECT_EQ(trailer_.dataBase, static_cast<std::int32_t>(testing::kFakeViewer.size()));
  ASSERT_EQ(table_.count(), 3);
  EXPECT_EQ(table_.entryAt(0).name, "index.html");
  EXPECT_EQ(table_.entryAt(1).name, "images\\a.png");
  EXPECT_EQ(table_.entryAt(1).offset, 9);
  EXPECT_EQ(table_.entryAt(2).size, 0);
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
      for (Section section : order) {
        trace += ' ';
        trace += std::to_string(static_cast<int>(section));
      }
      SCOPED_TRACE("section order" + trace);
      writeBookInOrder(bookPath_, order, files);
      ContainerReader reader(bookPath_);
      ASSERT_TRUE(reader.parse(info_, table_, trailer_));
      EXPECT_EQ(info_.title, testing::sampleInfo().title);
      ASSERT_EQ(table_.count(), 2);
      for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(reader.extractFile(table_, i, trailer_, outFolder_));
        EXPECT_EQ(extracted(files[static_cast<std::size_t>(i)].name), files[static_cast<std::size_t>(i)].bytes);
      }
    }
  } while (std::next_permutation(records.begin(), records.end()));
}

TEST_F(ContainerReaderTest, ExtractsEntriesOfEverySizeAroundTheBuffer) {
  const std::size_t sizes[] = {0, 1, 32767, 32768, 32769, 65537};
  std::vector<TestFile> files;
  for (std::size_t size : sizes) {
    files.push_back({"file-" + std::to_string(size), testing::patternBytes(size, static_cast<std::uint32_t>(size))});
  }
  testing::buildBook(bookPath_, files);
  ASSERT_TRUE(parse());
  for (int i = 0; i < table_.count(); ++i) {
    SCOPED_TRACE(files[static_cast<std::size_t>(i)].name);
    ASSERT_TRUE(extract(i));
    EXPECT_EQ(extracted(files[static_cast<std::size_t>(i)].name), files[static_cast<std::size_t>(i)].bytes);
    struct stat st {};
    ASSERT_EQ(::stat((scratch_ / ("out/" + files[static_cast<std::size_t>(i)].name)).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
  }
}

TEST_F(ContainerReaderTest, ExtractsIntoExistingSubfoldersAndReplacesOldFiles) {
  testing::buildBook(bookPath_, {{"images\\cover.png", "new picture"}, {"index.html", "page"}});
  ASSERT_TRUE(outFolder_.makeFolder("images"));
  testing::writeFile(scratch_ / "out/index.html", "an older and longer page");
  ASSERT_TRUE(parse());
  ASSERT_TRUE(extract(0));
  ASSERT_TRUE(extract(1));
  EXPECT_EQ(extracted("images/cover.png"), "new picture");
  EXPECT_EQ(extracted("index.html"), "page");
}

TEST_F(ContainerReaderTest, MissingSubfolderFailsAtCreation) {
  testing::buildBook(bookPath_, {{"images\\cover.png", "picture"}});
  ASSERT_TRUE(parse());
  EXPECT_FALSE(extract(0));
  EXPECT_FALSE(existsInOut("images"));
}

TEST_F(ContainerReaderTest, NeverWritesThroughALink) {
  testing::buildBook(bookPath_, {{"index.html", "page"}});
  testing::writeFile(scratch_ / "victim", "untouched");
  ASSERT_EQ(::symlink((scratch_ / "victim").c_str(), (scratch_ / "out/index.html").c_str()), 0);
  ASSERT_TRUE(parse());
  EXPECT_FALSE(extract(0));
  EXPECT_EQ(readFile(scratch_ / "victim"), "untouched");
}

// Entries the reader must refuse or treat specially, made by patching the
// single record of a one-file book.
TEST_F(ContainerReaderTest, EntriesWithOddOffsetsAndSizes) {
  struct Case {
    const char* what;
    std::int32_t offset;  // relative to dataBase
    std::int32_t size;
    bool extracts;
    std::int64_t bytesWritten;  // -1: no file at all
  };
  const std::int64_t viewerSize = static_cast<std::int64_t>(testing::kFakeViewer.size());
  const std::string data = testing::patternBytes(40000);
  const Case cases[] = {
      {"size zero at a wild offset", INT32_MAX, 0, true, 0},
      {"negative size", 0, -5, true, 0},
      {"data starting beyond the end", 10000000, 1, false, 0},
      {"data starting before the file", -static_cast<std::int32_t>(viewerSize) - 1, 1, false, 0},
      {"data starting at the viewer's first byte", -static_cast<std::int32_t>(viewerSize), 1, true, 1},
      {"data running past the end", 0, INT32_MAX, false, 32768},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::buildBook(bookPath_, {{"file", data}});
    testing::BookLayout layout = testing::describeBook(bookPath_);
    testing::setWordAt(bookPath_, layout.entries[0] + 4 + 4 + 4 + 4, c.offset);
    testing::setWordAt(bookPath_, layout.entries[0] + 4 + 4 + 4 + 4 + 4, c.size);
    ::unlink((scratch_ / "out/file").c_str());
    ContainerReader reader(bookPath_);
    ASSERT_TRUE(reader.parse(info_, table_, trailer_));
    EXPECT_EQ(reader.extractFile(table_, 0, trailer_, outFolder_), c.extracts);
    ASSERT_TRUE(existsInOut("file"));
    EXPECT_EQ(static_cast<std::int64_t>(extracted("file").size()), c.bytesWritten);
  }
}

// Two chunks: the second, of one byte, is missing, so only the first is kept.
TEST_F(ContainerReaderTest, DataShortByOneByteKeepsTheCompleteChunks) {
  testing::buildBook(bookPath_, {{"a", testing::patternBytes(32768)}});
  testing::BookLayout layout = testing::describeBook(bookPath_);
  // The entry claims every byte from its start to the end of the file, and one more.
  const std::int64_t available = layout.size - static_cast<std::int64_t>(testing::kFakeViewer.size());
  testing::setWordAt(bookPath_, layout.entries[0] + 4 + 5 + 4 + 4, static_cast<std::int32_t>(available + 1));
  ASSERT_TRUE(parse());
  EXPECT_FALSE(extract(0));
  EXPECT_EQ(static_cast<std::int64_t>(extracted("a").size()), available / 32768 * 32768);
}

TEST_F(ContainerReaderTest, RefusesUnsafeNamesAndBadIndexesWithoutWriting) {
  platform::File out = platform::File::create(bookPath_, 0755);
  ContainerWriter writer(out);
  ASSERT_TRUE(writer.startData());
  const std::vector<BookFileEntry> entries = {
      {"../escape.html", 0, 0, 0}, {"/tmp/absolute", 0, 0, 0}, {"C:drive", 0, 0, 0}, {"a\\\\b", 0, 0, 0}};
  BookInfo info = testing::sampleInfo();
  info.fileCount = static_cast<std::int32_t>(entries.size());
  ASSERT_TRUE(writer.writeHeader(info) && writer.writeStringList({}) && writer.writeFileTable(entries) &&
              writer.writeTrailer());
  out.close();
  ASSERT_TRUE(parse());
  for (int i = 0; i < table_.count(); ++i) EXPECT_FALSE(extract(i)) << table_.entryAt(i).name;
  EXPECT_FALSE(extract(-1));
  EXPECT_FALSE(extract(table_.count()));
  EXPECT_EQ(::access((scratch_ / "escape.html").c_str(), F_OK), -1);
  EXPECT_EQ(::rmdir((scratch_ / "out").c_str()), 0) << "the output folder must still be empty";
}

TEST_F(ContainerReaderTest, ExtractIntoWritesTheGivenNameInTheGivenFolder) {
  testing::buildBook(bookPath_, {{"images\\cover.png", "picture"}});
  ASSERT_TRUE(outFolder_.makeFolder("images"));
  const platform::Directory images = outFolder_.openFolder("images");
  ASSERT_TRUE(parse());
  ASSERT_TRUE(reader_.extractFileInto(table_, 0, trailer_, images, "cover.png"));
  EXPECT_EQ(extracted("images/cover.png"), "picture");
}

TEST_F(ContainerReaderTest, ExtractIntoRefusesAnythingButOnePlainSegment) {
  testing::buildBook(bookPath_, {{"page.html", "page"}});
  ASSERT_TRUE(parse());
  for (const char* name : {"", ".", "..", "a/b", "a\\b", "../page.html", "/tmp/page.html"}) {
    EXPECT_FALSE(reader_.extractFileInto(table_, 0, trailer_, outFolder_, name)) << name;
  }
  EXPECT_FALSE(reader_.extractFileInto(table_, 1, trailer_, outFolder_, "page.html"));
  EXPECT_EQ(::rmdir((scratch_ / "out").c_str()), 0) << "the output folder must still be empty";
}

TEST_F(ContainerReaderTest, OpenKeepsOneHandleAndRetriesAfterFailure) {
  EXPECT_FALSE(reader_.open());
  EXPECT_EQ(reader_.lastOpenError(), ENOENT);
  EXPECT_FALSE(parse());
  testing::buildBook(bookPath_, {{"index.html", "x"}});
  EXPECT_TRUE(reader_.open());
  EXPECT_TRUE(reader_.open());
  EXPECT_TRUE(parse());
  reader_.close();
  reader_.close();
  EXPECT_TRUE(parse()) << "parse opens the file again";
}

TEST_F(ContainerReaderTest, RunningExecutableWithoutContainerFailsToParse) {
  ContainerReader self;
  ASSERT_TRUE(self.open());
  EXPECT_FALSE(self.parse(info_, table_, trailer_));
}

TEST_F(ContainerReaderTest, TooSmallOrEmptyFilesFailToParse) {
  for (std::size_t size : {0, 1, 23}) {
    testing::writeFile(bookPath_, std::string(size, 'x'));
    ContainerReader reader(bookPath_);
    EXPECT_FALSE(reader.parse(info_, table_, trailer_)) << size;
  }
}

TEST_F(ContainerReaderTest, SectionOffsetsOutsideTheFileFailToParse) {
  struct Case {
    const char* what;
    int trailerWord;  // 1 header, 2 string list, 3 file table
    std::int64_t offset;
  };
  testing::buildBook(bookPath_, {{"index.html", "x"}});
  const std::string good = readFile(bookPath_);
  const std::int64_t size = static_cast<std::int64_t>(good.size());
  const Case cases[] = {
      {"header beyond the end", 1, size + 100}, {"header at the end", 1, size},
      {"header before the start", 1, -4},       {"header at the largest offset", 1, INT32_MAX},
      {"string list beyond the end", 2, size + 1}, {"string list before the start", 2, INT32_MIN},
      {"file table beyond the end", 3, size + 8},  {"file table before the start", 3, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::writeFile(bookPath_, good);
    testing::setWordAt(bookPath_, size - 24 + 4 * c.trailerWord, static_cast<std::int32_t>(c.offset));
    ContainerReader reader(bookPath_);
    EXPECT_FALSE(reader.parse(info_, table_, trailer_));
  }
}

}  // namespace
}  // namespace pagora
