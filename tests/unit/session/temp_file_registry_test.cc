// The registry's bucket hash, its removal order and duplicates, and its
// clean-up on real files and folders.
#include "session/temp_file_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace pagora::testing {
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

TEST(WrittenFileMapTest, RemovedPathLeavesItsChainAndMayComeBackAsNewest) {
  WrittenFileMap files;
  for (const char* path : {"a", "c", "A"}) files.add(path);  // one bucket
  files.remove("c");
  files.remove("never added");
  EXPECT_FALSE(files.contains("c"));
  EXPECT_EQ(files.inRemovalOrder(), (std::vector<std::string>{"A", "a"}));
  EXPECT_TRUE(files.add("c"));
  EXPECT_EQ(files.inRemovalOrder(), (std::vector<std::string>{"c", "A", "a"}));
}

// A file is recorded before it is made; when making it fails, what stands
// there (a link, a pipe) was not written here and the clean-up leaves it.
TEST(TempFileRegistryTest, ForgottenFileIsLeftByTheCleanUp) {
  ScratchFolder scratch;
  TempFileRegistry registry;
  const std::string planted = scratch / "planted";
  const std::string written = scratch / "written";
  writeFile(planted, "not ours");
  EXPECT_TRUE(registry.addFile(planted));
  EXPECT_TRUE(registry.addFile(written));
  EXPECT_FALSE(registry.addFile(written));
  writeFile(written, "ours");
  registry.forgetFile(planted);

  registry.removeAll();

  EXPECT_TRUE(exists(planted));
  EXPECT_FALSE(exists(written));
}

TEST(TempFileRegistryTest, RemovesFilesThenFoldersInnermostFirstAndLeavesTheRest) {
  ScratchFolder scratch;
  TempFileRegistry registry;
  const std::string outer = scratch / "outer";
  const std::string inner = outer + "/inner";
  const std::string kept = scratch / "kept";
  for (const std::string& folder : {outer, inner, kept}) {
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    registry.addFolder(folder);
  }
  for (const std::string& file : {outer + "/a", inner + "/b", inner + "/c"}) {
    writeFile(file, "x");
    registry.addFile(file);
  }
  registry.addFile(inner + "/b");
  registry.addFile(outer + "/never-written");
  writeFile(kept + "/unregistered", "stays");
  const std::string cwd = std::filesystem::current_path().string();

  registry.removeAll();

  EXPECT_FALSE(exists(outer));
  EXPECT_TRUE(exists(kept + "/unregistered"));
  EXPECT_EQ(std::filesystem::current_path().string(), cwd);
  EXPECT_EQ(registry.startDirectory(), cwd) << "recorded, never changed";
  EXPECT_EQ(registry.createdFolders(), (std::vector<std::string>{outer, inner, kept})) << "the records are kept";
}

class RecordingObserver : public TempFileRegistry::Observer {
 public:
  void folderRecorded(const std::string& path) override { events.push_back("folder " + path); }
  void fileRecorded(const std::string& path) override { events.push_back("file " + path); }
  void treeRecorded(const std::string& path) override { events.push_back("tree " + path); }
  void allRemoved() override { events.push_back(exists(removedFolder) ? "removed, not yet" : "removed"); }

  std::string removedFolder;
  std::vector<std::string> events;
};

// The observer (the crash watcher) hears of each path as it is recorded:
// files once, folders every time, as they are kept; and that removeAll has
// run, once it is done, so its copy of the record always matches.
TEST(TempFileRegistryTest, ObserverHearsEachRecordAndTheRemovalOnceItIsDone) {
  ScratchFolder scratch;
  const std::string folder = scratch / "book.qvx";
  const std::string file = folder + "/index.html";
  const std::string tree = folder + "/__engine";
  writeFile(file, "x");
  writeFile(tree + "/storage/salt", "engine's own");
  RecordingObserver observer;
  observer.removedFolder = folder;
  TempFileRegistry registry;
  registry.setObserver(&observer);
  registry.addFolder(folder);
  registry.addFile(file);
  registry.addFile(file);
  registry.addTree(tree);
  registry.addTree(tree);
  registry.addFolder(folder);
  registry.removeAll();
  registry.setObserver(nullptr);
  registry.addFile(folder + "/after.html");
  EXPECT_EQ(observer.events, (std::vector<std::string>{"folder " + folder, "file " + file, "tree " + tree,
                                                       "folder " + folder, "removed"}));
}

}  // namespace
}  // namespace pagora::testing
