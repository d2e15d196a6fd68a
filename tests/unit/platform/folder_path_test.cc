// The walk down a folder path that the private folder and every extraction
// stand on: a path that could leave its base is refused before anything is
// made, no step goes through a link, and a folder open to others can stop it.
#include "platform/folder_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace pagora::platform {
namespace {

using Segments = std::vector<std::string>;

TEST(FolderSegmentsTest, OnlyPathsThatStayBelowTheirBase) {
  struct Case {
    std::string relative;
    std::optional<Segments> segments;
  };
  const Case cases[] = {
      {"", Segments{}},
      {"file.txt", Segments{}},  // no folder at all
      {"a/", Segments{"a"}},
      {"a/b/file.txt", Segments{"a", "b"}},
      {"a/b/", Segments{"a", "b"}},
      {".hidden/x", Segments{".hidden"}},
      {"a/../", std::nullopt},
      {"../x", std::nullopt},
      {"./x", std::nullopt},
      {"/abs/x", std::nullopt},  // an empty first segment
      {"a//b/x", std::nullopt},
      {std::string("a\0b/x", 5), std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(folderSegments(c.relative), c.segments) << '"' << c.relative << '"';
  }
}

class FolderWalkTest : public ::testing::Test {
 protected:
  Directory base() const { return Directory::open(scratch_.path()); }

  pagora::testing::ScratchFolder scratch_;
};

TEST_F(FolderWalkTest, MakesWhatIsMissingOutermostFirstAndTellsOfEach) {
  ASSERT_EQ(::mkdir((scratch_ / "a").c_str(), 0755), 0);
  std::vector<std::string> made;
  const Directory deepest =
      openFolderPath(base(), "a/b/c/page.html", {.onMade = [&](const std::string& path) { made.push_back(path); }});
  ASSERT_TRUE(deepest.isOpen());
  EXPECT_EQ(deepest.path(), scratch_ / "a/b/c/");
  EXPECT_EQ(made, (std::vector<std::string>{scratch_ / "a/b", scratch_ / "a/b/c"}));
  EXPECT_EQ(pagora::testing::modeOf(scratch_ / "a/b"), 0700u);
  EXPECT_FALSE(pagora::testing::exists(scratch_ / "a/b/c/page.html"));

  const Directory missing = openFolderPath(base(), "x/y/", {.makeMissing = false, .onMade = {}});
  EXPECT_FALSE(missing.isOpen());
  EXPECT_FALSE(pagora::testing::exists(scratch_ / "x"));
}

TEST_F(FolderWalkTest, RefusesLinksPathsThatLeaveAndFoldersOpenToOthers) {
  pagora::testing::writeFile(scratch_ / "outside/kept.txt", "");
  ASSERT_EQ(::symlink((scratch_ / "outside").c_str(), (scratch_ / "link").c_str()), 0);
  ASSERT_EQ(::mkdir((scratch_ / "shared").c_str(), 0700), 0);
  ASSERT_EQ(::chmod((scratch_ / "shared").c_str(), 0777), 0);
  struct Case {
    const char* relative;
    bool mustBePrivate;
    int error;  // 0: any reason
  };
  const Case cases[] = {
      {"link/inside/", false, 0},  // ELOOP or ENOTDIR
      {"../escape/", false, EINVAL},
      {"shared/inside/", true, EACCES},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.relative);
    errno = 0;
    const Directory walked = openFolderPath(base(), c.relative, {.mustBePrivate = c.mustBePrivate, .onMade = {}});
    EXPECT_FALSE(walked.isOpen());
    if (c.error != 0) {
      EXPECT_EQ(errno, c.error);
    }
  }
  EXPECT_EQ(pagora::testing::treeOf(scratch_ / "outside"), (std::set<std::string>{"kept.txt"}));
  EXPECT_FALSE(pagora::testing::exists(scratch_ / "escape"));
  EXPECT_FALSE(pagora::testing::exists(scratch_ / "shared/inside"));
  EXPECT_TRUE(openFolderPath(base(), "shared/inside/", {}).isOpen()) << "open to others is refused only when asked";
}

}  // namespace
}  // namespace pagora::platform
