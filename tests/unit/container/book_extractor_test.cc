// The one extraction path (the load, pagora-book extract, the fuzz harness):
// stored files land below the root and nowhere else, folders are made once
// and told of, nothing is written through a link, and a file that fails
// leaves nothing behind.
#include "container/book_extractor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
  bool extract(int index) { return extractor_->extract(index); }
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

}  // namespace
}  // namespace pagora
