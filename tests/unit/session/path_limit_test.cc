// Files and folders at the system's path limit. The clean-up removes them by
// their full paths, so one whose full path the system would not take is
// never made: the load reports it as it reports any file it cannot write.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "contained_load.h"
#include "container/load_messages.h"
#include "session/private_folder.h"
#include "support/book_image.h"
#include "support/printers.h"

namespace pagora::testing {
namespace {

const Notice kFolderFailed{kFolderFailureNotice, NoticeIcon::Warning};
const Notice kExtractionFailed{corrupted(load_message::kExtractionFailed), NoticeIcon::Warning};
const Notice kIndexNotFound{corrupted(load_message::kIndexNotFound), NoticeIcon::Warning};
const Notice kDiskError{kWriteFailureNotice, NoticeIcon::Warning};

struct PathLimitCase {
  const char* name;
  int folderPathLength;  // of the private folder's path, with its final '/'
  std::vector<std::string> storedNames;
  std::vector<Notice> notices;
  friend void PrintTo(const PathLimitCase& c, std::ostream* os) { *os << c.name; }
};

constexpr int kAboutNameLength = 12;  // "__about.html"

const std::vector<PathLimitCase> kPathLimitCases = {
    {"FileFillsThePathLimit", PATH_MAX - 40, {"index.html", std::string(39, 'a')}, {}},
    {"FileOneBytePastThePathLimit", PATH_MAX - 40, {"index.html", std::string(40, 'b')}, {kExtractionFailed}},
    {"AboutPageFillsThePathLimit", PATH_MAX - 1 - kAboutNameLength, {"a"}, {kIndexNotFound}},
    {"AboutPageOneBytePastThePathLimit", PATH_MAX - kAboutNameLength, {"a"}, {kIndexNotFound, kDiskError}},
    {"FolderFillsThePathLimit", PATH_MAX - 1, {"a"}, {kExtractionFailed}},
    {"FolderOneBytePastThePathLimit", PATH_MAX, {"a"}, {kFolderFailed, kExtractionFailed}},
};

class PathLimitTest : public ::testing::TestWithParam<PathLimitCase> {
 protected:
  // An esbn of short nested folders that puts the private folder's path at
  // exactly `length` characters.
  std::string esbnForFolderPath(int length) const {
    const int esbnLength =
        length - static_cast<int>(workspace_.temp().size()) - static_cast<int>(std::string(".qvx/").size());
    std::string esbn;
    while (static_cast<int>(esbn.size()) + 2 + 100 < esbnLength) esbn += "d\\";
    return esbn + std::string(static_cast<std::size_t>(esbnLength) - esbn.size(), 'e');
  }

  LoadWorkspace workspace_;
};

TEST_P(PathLimitTest, MakesOnlyWhatTheCleanUpCanRemove) {
  const PathLimitCase& c = GetParam();
  BookRecipe recipe;
  recipe.info = BookInfo{};
  recipe.info.esbn = esbnForFolderPath(c.folderPathLength);
  for (const std::string& name : c.storedNames) recipe.files.push_back({name, "x"});
  const std::string book = workspace_.book("book");
  BookImage::build(recipe).writeTo(book);
  const ContainedLoad load = loadContained(workspace_, book);
  ASSERT_EQ(load.privateFolder.size(), static_cast<std::size_t>(c.folderPathLength));
  EXPECT_EQ(load.notices, c.notices);
}

INSTANTIATE_TEST_SUITE_P(Cases, PathLimitTest, ::testing::ValuesIn(kPathLimitCases),
                         [](const ::testing::TestParamInfo<PathLimitCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace pagora::testing
