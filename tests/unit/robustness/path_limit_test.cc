// Files and folders at the system's path limit. The clean-up removes them by
// their full paths, so one whose full path the system would not take is
// never made: the load reports it as it reports any file it cannot write.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "contained_run.h"

namespace pagora::robustness {
namespace {

using probe::storedFile;

struct PathLimitCase {
  const char* name;
  int folderPathLength;  // of the private folder's path, with its final '/'
  std::vector<std::string> storedNames;
  std::vector<std::string> notices;
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

class PathLimitTest : public ContainedRunTest, public ::testing::WithParamInterface<PathLimitCase> {
 protected:
  // An esbn of short nested folders that puts the private folder's path at
  // exactly `length` characters.
  std::string esbnForFolderPath(int length) const {
    const int esbnLength = length - static_cast<int>(tempDir().size()) - static_cast<int>(std::string(".qvx/").size());
    std::string esbn;
    while (static_cast<int>(esbn.size()) + 2 + 100 < esbnLength) esbn += "d\\";
    return esbn + std::string(static_cast<std::size_t>(esbnLength) - esbn.size(), 'e');
  }
};

TEST_P(PathLimitTest, MakesOnlyWhatTheCleanUpCanRemove) {
  const PathLimitCase& c = GetParam();
  BookInfo info;
  info.esbn = esbnForFolderPath(c.folderPathLength);
  std::vector<BookSource> files;
  for (const std::string& name : c.storedNames) files.push_back(storedFile(name, "x"));
  const ContainedOutcome outcome = runContained(makeBook(info, files));
  ASSERT_EQ(outcome.keptRun.privateFolder.size(), static_cast<std::size_t>(c.folderPathLength));
  EXPECT_EQ(outcome.notices, c.notices);
}

INSTANTIATE_TEST_SUITE_P(Cases, PathLimitTest, ::testing::ValuesIn(kPathLimitCases),
                         [](const ::testing::TestParamInfo<PathLimitCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace pagora::robustness
