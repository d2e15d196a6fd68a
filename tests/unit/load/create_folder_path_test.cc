// createFolderPath on its own: folders made one at a time below the
// temporary directory, registered, and never reached through a link.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/private_folder.h"
#include "app/temp_file_registry.h"
#include "support/probe_book.h"

namespace pagora {
namespace {

class CreateFolderPathTest : public probe::ProbeTest {
 protected:
  void SetUp() override {
    probe::ProbeTest::SetUp();
    const char* previous = std::getenv("TMPDIR");
    hadTmpdir_ = previous != nullptr;
    if (hadTmpdir_) previousTmpdir_ = previous;
    ::setenv("TMPDIR", tempDir().c_str(), 1);
  }
  void TearDown() override {
    if (hadTmpdir_) {
      ::setenv("TMPDIR", previousTmpdir_.c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
    probe::ProbeTest::TearDown();
  }

  // The folders registered since the test began.
  std::vector<std::string> registeredSince(std::size_t before) const {
    const auto& all = TempFileRegistry::instance().createdFolders();
    return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
  }

 private:
  bool hadTmpdir_ = false;
  std::string previousTmpdir_;
};

TEST_F(CreateFolderPathTest, MakesAndRegistersEachMissingFolderOutermostFirst) {
  ASSERT_EQ(::mkdir((tempDir() + "a").c_str(), 0700), 0);
  const std::size_t before = TempFileRegistry::instance().createdFolders().size();
  EXPECT_TRUE(createFolderPath(tempDir() + "a/b/c/"));
  EXPECT_EQ(registeredSince(before), (std::vector<std::string>{tempDir() + "a/b", tempDir() + "a/b/c"}));
  EXPECT_EQ(probe::modeOf(tempDir() + "a/b/c"), 0700u);
  // Everything there already: nothing is made or registered again.
  EXPECT_TRUE(createFolderPath(tempDir() + "a/b/c/"));
  EXPECT_EQ(registeredSince(before).size(), 2u);
}

TEST_F(CreateFolderPathTest, NameAfterTheLastSlashIsNotAFolder) {
  EXPECT_TRUE(createFolderPath(tempDir() + "d/file.txt"));
  EXPECT_TRUE(probe::exists(tempDir() + "d"));
  EXPECT_FALSE(probe::exists(tempDir() + "d/file.txt"));
}

TEST_F(CreateFolderPathTest, RefusesPathsThatLeaveOrPassThroughALink) {
  ASSERT_EQ(::symlink(workspace().c_str(), (tempDir() + "link").c_str()), 0);
  const std::size_t before = TempFileRegistry::instance().createdFolders().size();
  for (const std::string& path : {tempDir() + "../escape/", tempDir() + "x//y/", tempDir() + "./z/",
                                  tempDir() + "link/inside/", workspace() + "books/elsewhere/",
                                  std::string("/elsewhere/")}) {
    EXPECT_FALSE(createFolderPath(path)) << path;
  }
  EXPECT_TRUE(registeredSince(before).empty());
  EXPECT_FALSE(probe::exists(workspace() + "escape"));
  EXPECT_FALSE(probe::exists(workspace() + "inside"));
  EXPECT_FALSE(probe::exists(workspace() + "books/elsewhere"));
}

}  // namespace
}  // namespace pagora
