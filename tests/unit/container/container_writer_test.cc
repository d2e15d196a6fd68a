#include "container/container_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "container/book_extractor.h"
#include "container/container_reader.h"
#include "container/format.h"
#include "support/book_image.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

using testing::readFile;

class ContainerWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::writeFile(viewerPath_, testing::kFakeViewer); }

  std::optional<BookWriteError> write(const std::vector<BookSource>& sources, const ProgressCallback& progress = {}) {
    platform::File out = platform::File::create(bookPath_, 0755);
    EXPECT_TRUE(out.isOpen());
    return writeBook(out, viewerPath_, testing::sampleInfo(), sources, progress);
  }

  // A file of `size` bytes that takes no room on disk.
  std::string sparseFile(const std::string& name, std::int64_t size) {
    std::string path = scratch_ / name;
    platform::File file = platform::File::create(path, 0600);
    EXPECT_EQ(::ftruncate(file.descriptor(), static_cast<off_t>(size)), 0);
    return path;
  }

  // Parses the book written and extracts each stored file into scratch_/out;
  // the number of files stored.
  int extractBook() {
    ContainerReader reader(bookPath_);
    ParsedBook book;
    EXPECT_TRUE(reader.parse(book.info, book.fileTable, book.trailer));
    ::mkdir((scratch_ / "out").c_str(), 0700);
    const platform::Directory out = platform::Directory::open(scratch_ / "out");
    BookExtractor extractor(reader, book, out);
    for (int i = 0; i < book.fileTable.count(); ++i) EXPECT_TRUE(extractor.extract(i)) << i;
    return book.fileTable.count();
  }

  testing::ScratchFolder scratch_;
  std::string viewerPath_ = scratch_ / "viewer";
  std::string bookPath_ = scratch_ / "book";
};

TEST_F(ContainerWriterTest, LaysOutViewerDataHeaderStringListTableAndTrailer) {
  testing::writeFile(scratch_ / "page.html", "<p>page</p>");
  ASSERT_FALSE(write({{"page.html", scratch_ / "page.html", std::nullopt}, {"made.html", "", "made"}}));
  const std::string book = readFile(bookPath_);
  const std::int64_t viewerSize = static_cast<std::int64_t>(testing::kFakeViewer.size());
  EXPECT_EQ(book.substr(0, testing::kFakeViewer.size()), testing::kFakeViewer);

  ContainerReader reader(bookPath_);
  BookInfo info;
  BookFileTable table;
  ContainerTrailer trailer;
  ASSERT_TRUE(reader.parse(info, table, trailer));
  EXPECT_EQ(trailer.dataBase, viewerSize);
  EXPECT_EQ(trailer.headerOffset, viewerSize + 11 + 4);
  EXPECT_EQ(trailer.stringListOffset, trailer.headerOffset + info.encodedSize());
  EXPECT_EQ(trailer.fileTableOffset, trailer.stringListOffset + stringListEncodedSize({}));
  EXPECT_EQ(static_cast<std::int64_t>(book.size()),
            trailer.fileTableOffset + fileTableEncodedSize(table.entries()) + ContainerTrailer::kEncodedSize);
  EXPECT_TRUE(table.entries() == (std::vector<BookFileEntry>{{"page.html", 0, 0, 11}, {"made.html", 0, 11, 4}}));
  EXPECT_EQ(info.fileCount, 2);
  std::string stored = book.substr(static_cast<std::size_t>(viewerSize), 15);
  for (char& c : stored) c = static_cast<char>(c ^ format::kDataScramble);
  EXPECT_EQ(stored, "<p>page</p>made");
}

TEST_F(ContainerWriterTest, SameInputsGiveSameBytes) {
  const std::vector<BookSource> sources = {{"a", "", testing::patternBytes(100000)}, {"b\\c", "", "c"}};
  ASSERT_FALSE(write(sources));
  const std::string first = readFile(bookPath_);
  ASSERT_FALSE(write(sources));
  EXPECT_EQ(readFile(bookPath_), first);
}

TEST_F(ContainerWriterTest, ReportsProgressUpToTheWholeData) {
  std::vector<std::int64_t> reports;
  ASSERT_FALSE(write({{"a", "", std::string(3000000, 'a')}, {"b", "", "bb"}},
                     [&](std::int64_t done, std::int64_t total) {
                       EXPECT_EQ(total, 3000002);
                       reports.push_back(done);
                     }));
  ASSERT_FALSE(reports.empty());
  EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
  EXPECT_EQ(reports.back(), 3000002);
}

TEST_F(ContainerWriterTest, RefusesBooksBeyondWhatThirtyTwoBitOffsetsReach) {
  struct Case {
    const char* what;
    std::int64_t viewerSize;
    std::int64_t sourceSize;
  };
  const Case cases[] = {
      {"one file of 2 GiB", 16, std::int64_t{1} << 31},
      {"a file that fits alone but not after the viewer", kMaxBookSize - 100, 100},
      {"a viewer that leaves no room for the records", kMaxBookSize - 10, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string viewer = sparseFile("big-viewer", c.viewerSize);
    const std::string source = sparseFile("big-source", c.sourceSize);
    platform::File out = platform::File::create(bookPath_, 0755);
    auto error = writeBook(out, viewer, testing::sampleInfo(), {{"index.html", source, std::nullopt}});
    ASSERT_TRUE(error);
    EXPECT_NE(error->reason.find("2147483647 bytes"), std::string::npos) << error->reason;
    EXPECT_EQ(testing::fileSize(bookPath_), 0) << "nothing is written before the sizes are known";
  }
}

TEST_F(ContainerWriterTest, RefusesUnsafeStoredNamesBeforeWriting) {
  for (const char* name : {"../up.html", "/abs.html", "C:x.html", "a\\\\b", ""}) {
    auto error = write({{"fine.html", "", "ok"}, {name, "", "bad"}});
    ASSERT_TRUE(error) << name;
    EXPECT_EQ(error->path, name);
    EXPECT_EQ(testing::fileSize(bookPath_), 0);
  }
}

TEST_F(ContainerWriterTest, NamesTheSourceThatCannotBeRead) {
  ::mkdir((scratch_ / "a-folder").c_str(), 0700);
  struct Case {
    const char* what;
    std::string path;
    std::string reason;
  };
  const Case cases[] = {
      {"missing", scratch_ / "missing.html", std::strerror(ENOENT)},
      {"a folder", scratch_ / "a-folder", std::strerror(EISDIR)},
      {"a file that grows while it is read", "/proc/self/status", "file grew while it was being stored"},
      // sysfs gives every file a size of a page and far fewer bytes.
      {"a file shorter than its size says", "/sys/devices/system/cpu/online", "file shrank while it was being stored"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto error = write({{"x", c.path, std::nullopt}});
    ASSERT_TRUE(error);
    EXPECT_EQ(error->path, c.path);
    EXPECT_EQ(error->reason, c.reason);
  }
  auto error = write({{"x", "", "ok"}}, {});
  EXPECT_FALSE(error);
  platform::File out = platform::File::create(bookPath_, 0755);
  error = writeBook(out, scratch_ / "no-viewer", testing::sampleInfo(), {{"x", "", "ok"}});
  ASSERT_TRUE(error);
  EXPECT_EQ(error->path, scratch_ / "no-viewer");
}

TEST_F(ContainerWriterTest, RefusesHeaderTextsWithAZeroByte) {
  BookInfo info = testing::sampleInfo();
  info.author = std::string("Ada\0Lovelace", 12);
  platform::File out = platform::File::create(bookPath_, 0755);
  auto error = writeBook(out, viewerPath_, info, {{"x", "", "ok"}});
  ASSERT_TRUE(error);
  EXPECT_EQ(error->reason, "the author holds a zero byte");
}

// Sources are copied in chunks, the last read asking for one byte more than
// remains: sizes around a chunk must come back whole.
TEST_F(ContainerWriterTest, SourcesOfEverySizeAroundTheCopyChunkComeBackWhole) {
  const std::size_t chunk = 1 << 20;
  std::vector<BookSource> sources;
  std::vector<std::string> contents;
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, chunk - 1, chunk, chunk + 1, 2 * chunk + 3}) {
    const std::string name = "file-" + std::to_string(size);
    contents.push_back(testing::patternBytes(size, static_cast<std::uint32_t>(size)));
    testing::writeFile(scratch_ / name, contents.back());
    sources.push_back({name, scratch_ / name, std::nullopt});
  }
  ASSERT_FALSE(write(sources));
  ASSERT_EQ(extractBook(), static_cast<int>(sources.size()));
  for (std::size_t i = 0; i < sources.size(); ++i) {
    EXPECT_EQ(readFile(scratch_ / ("out/" + sources[i].storedName)), contents[i]) << sources[i].storedName;
  }
}

TEST_F(ContainerWriterTest, GatheredDataGivesTheBytesOfDirectWrites) {
  std::vector<BookSource> sources;
  for (int i = 0; i < 300; ++i) {
    const std::string name = "page" + std::to_string(i);
    testing::writeFile(scratch_ / name, testing::patternBytes(static_cast<std::size_t>(i * 97 % 5000),
                                                             static_cast<std::uint32_t>(i)));
    sources.push_back({name, scratch_ / name, std::nullopt});
  }
  sources.push_back({"made.html", "", std::string(100000, 'm')});
  sources.push_back({"big", scratch_ / "big", std::nullopt});
  testing::writeFile(scratch_ / "big", testing::patternBytes(3 << 20));

  auto writeWith = [&](const std::string& path, ContainerWriter::DataWrites mode) {
    platform::File out = platform::File::create(path, 0600);
    ContainerWriter writer(out, mode);
    std::vector<BookFileEntry> entries(sources.size());
    EXPECT_TRUE(writer.startData());
    // A record section between stored files moves where the next one goes.
    for (std::size_t i = 0; i < sources.size(); ++i) {
      if (i == sources.size() / 2) {
        EXPECT_TRUE(writer.writeStringList({"a"}));
      }
      EXPECT_FALSE(writer.appendFile(sources[i], entries[i]));
    }
    BookInfo info = testing::sampleInfo();
    info.fileCount = static_cast<std::int32_t>(entries.size());
    EXPECT_TRUE(writer.writeHeader(info) && writer.writeFileTable(entries) && writer.writeTrailer());
    return entries;
  };
  const std::vector<BookFileEntry> direct = writeWith(scratch_ / "direct", ContainerWriter::DataWrites::Direct);
  const std::vector<BookFileEntry> gathered =
      writeWith(scratch_ / "gathered", ContainerWriter::DataWrites::Gathered);
  for (std::size_t i = 0; i < direct.size(); ++i) EXPECT_EQ(gathered[i].offset, direct[i].offset) << i;
  EXPECT_EQ(readFile(scratch_ / "gathered"), readFile(scratch_ / "direct"));
}

// The size found by the walk only measures the book beforehand; what is
// stored is what the file holds when it is read.
TEST_F(ContainerWriterTest, WalkedSizeMeasuresTheBookButTheFileIsStoredAsRead) {
  testing::writeFile(scratch_ / "page.html", "the page as it is now");
  ASSERT_FALSE(write({{"page.html", scratch_ / "page.html", std::nullopt, 3}}));
  ContainerReader reader(bookPath_);
  BookInfo info;
  BookFileTable table;
  ContainerTrailer trailer;
  ASSERT_TRUE(reader.parse(info, table, trailer));
  EXPECT_EQ(table.entryAt(0).size, 21);

  auto error = write({{"page.html", scratch_ / "page.html", std::nullopt, kMaxBookSize}});
  ASSERT_TRUE(error);
  EXPECT_NE(error->reason.find("2147483647 bytes"), std::string::npos) << error->reason;
  EXPECT_EQ(testing::fileSize(bookPath_), 0) << "refused before anything was written";
}

// A source in an open folder is read by its name there, whatever has become
// of the path the folder was opened by; messages still name that path.
TEST_F(ContainerWriterTest, SourcesInAnOpenFolderAreReadThroughIt) {
  testing::writeFile(scratch_ / "pages/a.html", "first page");
  testing::writeFile(scratch_ / "pages/b.html", "second");
  const int descriptor = ::open((scratch_ / "pages").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(descriptor, 0);
  auto folder = std::make_shared<const SourceFolder>(descriptor);
  ASSERT_EQ(::rename((scratch_ / "pages").c_str(), (scratch_ / "moved").c_str()), 0);
  auto inFolder = [&](const std::string& name, std::int64_t walkedSize) {
    BookSource source{name, scratch_ / ("pages/" + name), std::nullopt, walkedSize};
    source.folder = folder;
    source.nameInFolder = name;
    return source;
  };

  // Without a walked size the writer measures the file in its folder too.
  ASSERT_FALSE(write({inFolder("a.html", 10), inFolder("b.html", -1)}));
  ASSERT_EQ(extractBook(), 2);
  EXPECT_EQ(readFile(scratch_ / "out/a.html"), "first page");
  EXPECT_EQ(readFile(scratch_ / "out/b.html"), "second");

  for (std::int64_t walkedSize : {std::int64_t{4}, std::int64_t{-1}}) {
    SCOPED_TRACE(walkedSize);
    auto error = write({inFolder("gone.html", walkedSize)});
    ASSERT_TRUE(error);
    EXPECT_EQ(error->path, scratch_ / "pages/gone.html");
    EXPECT_EQ(error->reason, std::strerror(ENOENT));
  }
}

TEST_F(ContainerWriterTest, UnreadableSourceIsNamed) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads files whatever their mode";
  testing::writeFile(scratch_ / "secret.html", "secret");
  ::chmod((scratch_ / "secret.html").c_str(), 0);
  auto error = write({{"secret.html", scratch_ / "secret.html", std::nullopt}});
  ASSERT_TRUE(error);
  EXPECT_EQ(error->path, scratch_ / "secret.html");
  EXPECT_EQ(error->reason, std::strerror(EACCES));
}

TEST_F(ContainerWriterTest, OutputThatCannotBeWrittenFailsWithoutAPath) {
  platform::File readOnly = platform::File::openForReading(viewerPath_);
  auto error = writeBook(readOnly, viewerPath_, testing::sampleInfo(), {{"x", "", "ok"}});
  ASSERT_TRUE(error);
  EXPECT_EQ(error->path, "");
  EXPECT_EQ(error->reason, std::strerror(EBADF));
}

}  // namespace
}  // namespace pagora
