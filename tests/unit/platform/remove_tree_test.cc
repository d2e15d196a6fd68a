// Removing the web engine's data tree: everything below goes, links are
// removed themselves and never followed, and a path given with a trailing
// slash is taken as the path itself, not as what a link there leads to.
#include "platform/remove_tree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/scratch_folder.h"

namespace pagora::platform {
namespace {

using pagora::testing::exists;
using pagora::testing::ScratchFolder;
using pagora::testing::writeFile;

TEST(RemoveTreeTest, RemovesEverythingBelowAndNeverFollowsALink) {
  ScratchFolder scratch;
  const std::string tree = scratch / "book.qvx/__engine";
  const std::string outside = scratch / "outside";
  writeFile(outside + "/keep.txt", "kept");
  for (int i = 0; i < 300; ++i) writeFile(tree + "/storage/many/" + std::to_string(i), "x");
  writeFile(tree + "/a/b/c/d/e/deep", "x");
  ASSERT_EQ(::symlink(outside.c_str(), (tree + "/link-to-folder").c_str()), 0);
  ASSERT_EQ(::symlink((outside + "/keep.txt").c_str(), (tree + "/a/link-to-file").c_str()), 0);
  ASSERT_EQ(::mkfifo((tree + "/pipe").c_str(), 0600), 0);

  EXPECT_TRUE(removeTree((tree + "/").c_str()));
  EXPECT_FALSE(exists(tree));
  EXPECT_TRUE(exists(scratch / "book.qvx"));
  EXPECT_EQ(pagora::testing::readFile(outside + "/keep.txt"), "kept");
}

TEST(RemoveTreeTest, ALinkGivenAsTheTreeIsRemovedItselfAndAMissingTreeIsDone) {
  ScratchFolder scratch;
  const std::string outside = scratch / "outside";
  writeFile(outside + "/keep.txt", "kept");
  const std::string link = scratch / "__engine";
  ASSERT_EQ(::symlink(outside.c_str(), link.c_str()), 0);
  EXPECT_TRUE(removeTree((link + "/").c_str()));
  EXPECT_FALSE(exists(link));
  EXPECT_TRUE(exists(outside + "/keep.txt"));
  EXPECT_TRUE(removeTree((scratch / "never-made").c_str()));
}

}  // namespace
}  // namespace pagora::platform
