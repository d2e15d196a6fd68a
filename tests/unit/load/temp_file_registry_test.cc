// The registry's bucket hash, its removal order and duplicates, and its
// clean-up on real files and folders.
#include "app/temp_file_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/probe_book.h"

namespace pagora {
namespace {

struct HashCase {
  std::string path;
  std::uint32_t hash;
};

TEST(PathHashTest, LengthForShortPathsElseLastFourBytesSignExtended) {
  const HashCase cases[] = {
      {"", 0},
      {"abc", 3},
      {"\xE9\xE9\xE9", 3},
      {"abcd", 0x64636261},                      // "abcd" read little-endian
      {"/tmp/x.qvx/index.html", 0x6C6D7468},     // only "html" counts
      {"ab\xE9" "d", 0xFFE96261},                // 0xE9 sets every bit above its byte
      {"abc\xE9", 0xE9636261},                   // the last byte's own high bits shift out
      {"\x80\x80\x80\x80", 0xFFFFFF80},                // each earlier byte's bits are lost under the later ones
  };
  for (const HashCase& c : cases) EXPECT_EQ(TempFileRegistry::pathHash(c.path), c.hash) << c.path;
}

TEST(WrittenFileMapTest, RemovalOrderIsBucketByBucketNewestFirst) {
  WrittenFileMap files;
  // Buckets: "a" and "c" 1, "bb" and "dd" 2, "" 0, "abcd" 3 (0x64636261 % 17),
  // "html" 12, "ab\xE9" "d" 3 (0xFFE96261 % 17), "abc\xE9" 0 (0xE9636261 % 17).
  for (const char* path : {"a", "bb", "abcd", "c", "", "dd", "html", "ab\xE9" "d", "abc\xE9"}) {
    EXPECT_TRUE(files.add(path)) << path;
  }
  EXPECT_EQ(files.inRemovalOrder(), (std::vector<std::string>{"abc\xE9", "", "c", "a", "dd", "bb", "ab\xE9" "d",
                                                              "abcd", "html"}));
}

TEST(WrittenFileMapTest, DuplicateIsIgnoredAndKeepsItsPlace) {
  WrittenFileMap files;
  EXPECT_TRUE(files.add("a"));
  EXPECT_TRUE(files.add("c"));
  EXPECT_FALSE(files.add("a"));
  EXPECT_TRUE(files.add("A"));  // letter case counts; the same bucket as "a"
  EXPECT_EQ(files.size(), 3u);
  EXPECT_TRUE(files.contains("a"));
  EXPECT_FALSE(files.contains("b"));
  EXPECT_EQ(files.inRemovalOrder(), (std::vector<std::string>{"A", "c", "a"}));
}

TEST(TempFileRegistryTest, InstanceIsOneObject) {
  EXPECT_EQ(&TempFileRegistry::instance(), &TempFileRegistry::instance());
}

class RegistryCleanUpTest : public probe::ProbeTest {};

TEST_F(RegistryCleanUpTest, RemovesFilesThenFoldersInnermostFirstAndLeavesTheRest) {
  TempFileRegistry& registry = TempFileRegistry::instance();
  const std::string outer = tempDir() + "outer";
  const std::string inner = outer + "/inner";
  const std::string kept = tempDir() + "kept";
  for (const std::string& folder : {outer, inner, kept}) {
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    registry.addFolder(folder);
  }
  for (const std::string& file : {outer + "/a", inner + "/b", inner + "/c"}) {
    probe::writeFile(file, "x");
    registry.addFile(file);
  }
  registry.addFile(inner + "/b");
  registry.addFile(outer + "/never-written");
  probe::writeFile(kept + "/unregistered", "stays");
  const std::string cwd = std::filesystem::current_path().string();

  registry.removeAll();

  EXPECT_FALSE(probe::exists(outer));
  EXPECT_TRUE(probe::exists(kept + "/unregistered"));
  EXPECT_EQ(std::filesystem::current_path().string(), cwd);
  EXPECT_EQ(registry.createdFolders(), (std::vector<std::string>{outer, inner, kept}));
}

}  // namespace
}  // namespace pagora
