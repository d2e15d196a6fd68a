// The one extraction path (the load, pagora-book extract, the fuzz harness):
// stored files land below the root and nowhere else, folders are made once
// and told of, nothing is written through a link, and a file that fails
// leaves nothing behind.
#include "container/book_extractor.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stop_token>
#include <set>
#include <string>
#include <vector>

#include "container/stored_name.h"
#include "support/book_image.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

using testing::BookImage;
using testing::TestFile;
using Tree = std::set<std::string>;

class BookExtractorTest : public ::testing::Test {
 protected:
  // Writes the book and reads its records, ready to extract into root_.
  void open(const std::vector<TestFile>& files, const testing::RecordEdit& editRecords = {}) {
    BookImage::of(files, editRecords).writeTo(bookPath_);
    reader_ = std::make_unique<ContainerReader>(bookPath_);
    ASSERT_TRUE(reader_->parse(book_.info, book_.fileTable, book_.trailer));
    extractor_ = std::make_unique<BookExtractor>(*reader_, book_, root_,
                                                 [this](const std::string& made) { made_.push_back(made); });
  }
  bool extract(int index, std::stop_token stop = {}) { return extractor_->extract(index, std::move(stop)); }
  std::string out(const std::string& relative) const { return scratch_ / ("out/" + relative); }

  testing::ScratchFolder scratch_;
  std::string bookPath_ = scratch_ / "book";
  platform::Directory root_ = [this] {
    ::mkdir((scratch_ / "out").c_str(), 0700);
    return platform::Directory::open(scratch_ / "out");
  }();
  std::unique_ptr<ContainerReader> reader_;
  ParsedBook book_;
  std::unique_ptr<BookExtractor> extractor_;
  std::vector<std::string> made_;
};

// Stored names come in name order, but a table may go back and forth between
// folders: every file still lands in its own, and each folder is made once.
TEST_F(BookExtractorTest, FilesLandInTheirFoldersEachMadeOnceAndToldOf) {
  const std::vector<std::string> names = {"a\\1.html", "b\\2.html", "a\\3.html", "a\\b\\4.html",
                                          "top.html", "a\\5.html", "b/a\\6.html", "empty"};
  std::vector<TestFile> files;
  for (const std::string& name : names) files.push_back({name, name == "empty" ? "" : "<P>" + name});
  open(files);
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    ASSERT_TRUE(extract(i)) << names[static_cast<std::size_t>(i)];
  }

  for (const TestFile& file : files) EXPECT_EQ(testing::readFile(out(storedNameToRelativePath(file.name))), file.bytes);
  EXPECT_EQ(made_, (std::vector<std::string>{out("a"), out("b"), out("a/b"), out("b/a")}));
  EXPECT_EQ(testing::modeOf(out("a/b")), 0700u);
  EXPECT_EQ(testing::modeOf(out("a/b/4.html")), 0600u);
  Tree top;
  for (const std::string& path : testing::treeOf(scratch_.path())) {
    if (path.find('/') == std::string::npos) top.insert(path);
  }
  EXPECT_EQ(top, (Tree{"book", "out"})) << "nothing outside out/";
}

TEST_F(BookExtractorTest, ReplacesOlderFilesAndUsesFoldersThatExist) {
  testing::writeFile(out("index.html"), "an older and longer page");
  ASSERT_EQ(::mkdir(out("images").c_str(), 0755), 0);
  open({{"images\\cover.png", "new picture"}, {"index.html", "page"}});
  ASSERT_TRUE(extract(0));
  ASSERT_TRUE(extract(1));
  EXPECT_EQ(testing::readFile(out("images/cover.png")), "new picture");
  EXPECT_EQ(testing::readFile(out("index.html")), "page");
  EXPECT_TRUE(made_.empty());
}

TEST_F(BookExtractorTest, NeverWritesThroughALink) {
  testing::writeFile(scratch_ / "victim", "untouched");
  ASSERT_EQ(::mkdir((scratch_ / "elsewhere").c_str(), 0700), 0);
  ASSERT_EQ(::symlink((scratch_ / "victim").c_str(), out("index.html").c_str()), 0);
  ASSERT_EQ(::symlink((scratch_ / "elsewhere").c_str(), out("images").c_str()), 0);
  open({{"images\\cover.png", "picture"}, {"index.html", "page"}});

  EXPECT_FALSE(extract(0));
  EXPECT_EQ(extractor_->failedPath(), "images/");
  EXPECT_FALSE(extract(1));
  EXPECT_EQ(extractor_->failedPath(), "index.html");
  EXPECT_EQ(testing::readFile(scratch_ / "victim"), "untouched");
  EXPECT_TRUE(testing::treeOf(scratch_ / "elsewhere").empty());
}

TEST_F(BookExtractorTest, RefusesUnsafeNamesAndBadIndexesBeforeWriting) {
  const std::vector<std::string> unsafe = {"../escape.html", "/tmp/absolute", "C:drive", "a\\\\b", "..", ""};
  open({{"placeholder", "x"}}, [&](BookInfo&, std::vector<BookFileEntry>& entries) {
    const BookFileEntry data = entries[0];
    entries.clear();
    for (const std::string& name : unsafe) entries.push_back({name, 0, data.offset, data.size});
  });
  for (int i = 0; i < static_cast<int>(unsafe.size()); ++i) {
    errno = 0;
    EXPECT_FALSE(extract(i)) << unsafe[static_cast<std::size_t>(i)];
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(extractor_->failedPath(), unsafe[static_cast<std::size_t>(i)]);
  }
  EXPECT_FALSE(extract(-1));
  EXPECT_FALSE(extract(static_cast<int>(unsafe.size())));
  EXPECT_FALSE(testing::exists(scratch_ / "escape.html"));
  EXPECT_TRUE(testing::treeOf(out("")).empty());
}

// The data is found to lie outside the book only once the file is made; the
// file goes again, and the folders made for it stay (the caller has them).
TEST_F(BookExtractorTest, FileThatFailsIsRemovedAtOnce) {
  open({{"index.html", "kept"}, {"pics\\big.png", testing::patternBytes(40000)}},
       [](BookInfo&, std::vector<BookFileEntry>& entries) { entries[1].size = 100000000; });
  ASSERT_TRUE(extract(0));
  errno = 0;
  EXPECT_FALSE(extract(1));
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(extractor_->failedPath(), "pics/big.png");
  EXPECT_EQ(testing::treeOf(out("")), (Tree{"index.html", "pics"}));
}

// Writes beyond `bytes` fail with EFBIG in this process while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    const rlimit limit{bytes, old_.rlim_max};
    limited_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  bool limited() const { return limited_; }

 private:
  void (*oldHandler_)(int);
  rlimit old_{};
  bool limited_ = false;
};

// A small file is copied by one thread, a large one by two, each taking every
// other transfer unit: either way the bytes land whole and in place, and a
// copy that fails or is stopped says why and leaves nothing.
TEST_F(BookExtractorTest, SmallAndLargeFilesArriveWholeOrNotAtAll) {
  // 16 MiB and a part unit: neither share's last unit is full.
  const std::string large = testing::patternBytes((16 << 20) + 100001, 7);
  const std::string small = testing::patternBytes(300000, 8);
  open({{"large.bin", large}, {"small.bin", small}});
  struct Case {
    const char* name;
    int index;
    const std::string* bytes;
    rlim_t limit;  // reached part way
  };
  for (const Case& c : {Case{"large", 0, &large, (12 << 20) + 1000}, Case{"small", 1, &small, 200000}}) {
    SCOPED_TRACE(c.name);
    const std::string path = out(c.name + std::string(".bin"));
    ASSERT_TRUE(extract(c.index));
    EXPECT_TRUE(testing::readFile(path) == *c.bytes);

    std::stop_source stopped;
    stopped.request_stop();
    errno = 0;
    EXPECT_FALSE(extract(c.index, stopped.get_token()));
    EXPECT_EQ(errno, ECANCELED);
    EXPECT_FALSE(testing::exists(path));

    // Whichever share of the large file reaches the limit first stops the
    // other, which must not hide why.
    const FileSizeLimit limit(c.limit);
    ASSERT_TRUE(limit.limited());
    errno = 0;
    EXPECT_FALSE(extract(c.index));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_FALSE(testing::exists(path));
  }
}

}  // namespace
}  // namespace pagora
