// What the watcher makes of the bytes on its channel: complete records are
// acted on, a record cut short by the viewer's death is dropped, and anything
// that is not a record makes it remove nothing at all.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "session/watch_channel.h"
#include "session/watcher_process.h"
#include "support/scratch_folder.h"

namespace pagora::testing {
namespace {

std::string record(WatchRecord kind, const std::string& path, std::uint32_t length) {
  std::string bytes(1, static_cast<char>(kind));
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((length >> shift) & 0xff);
  return bytes + path;
}

std::string record(WatchRecord kind, const std::string& path = {}) {
  return record(kind, path, static_cast<std::uint32_t>(path.size()));
}

// Runs the watcher's loop in this process on a channel that carries `bytes`
// and then closes; returns its exit status.
int watch(const std::string& bytes) {
  int ends[2];
  EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  EXPECT_EQ(::write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(ends[1]);
  const int status = watchChannel(ends[0]);
  ::close(ends[0]);
  return status;
}

struct ChannelCase {
  const char* name;
  // Given the folder and a file in it (both exist beforehand).
  std::string (*bytes)(const std::string& folder, const std::string& file);
  int status;
  bool folderRemoved;
  bool fileRemoved;
};

const ChannelCase kCases[] = {
    {"complete records", [](const std::string& d, const std::string& f) {
       return record(WatchRecord::Folder, d) + record(WatchRecord::File, f);
     }, 0, true, true},
    {"the viewer removed everything", [](const std::string& d, const std::string& f) {
       return record(WatchRecord::Folder, d) + record(WatchRecord::File, f) + record(WatchRecord::AllRemoved);
     }, 0, false, false},
    {"a record cut short at the end", [](const std::string& d, const std::string& f) {
       return record(WatchRecord::File, f) + record(WatchRecord::Folder, d).substr(0, 7);
     }, 0, false, true},
    {"a header cut short at the end", [](const std::string& d, const std::string& f) {
       return record(WatchRecord::File, f) + record(WatchRecord::Folder, d).substr(0, 3);
     }, 0, false, true},
    {"an unknown kind", [](const std::string& d, const std::string& f) {
       return record(WatchRecord::Folder, d) + record(WatchRecord::File, f) + record(static_cast<WatchRecord>('X'), "x");
     }, 2, false, false},
    {"a length no path can have", [](const std::string& d, const std::string& f) {
       return record(WatchRecord::Folder, d) + record(WatchRecord::File, f) +
              record(WatchRecord::File, "x", kMaxWatchedPath + 1);
     }, 2, false, false},
    {"a NUL inside a path", [](const std::string& d, const std::string& f) {
       return record(WatchRecord::Folder, d) + record(WatchRecord::File, f + std::string(1, '\0') + "x");
     }, 2, false, false},
    {"a path with the notice of removal", [](const std::string& d, const std::string& f) {
       return record(WatchRecord::Folder, d) + record(WatchRecord::File, f) + record(WatchRecord::AllRemoved, "x");
     }, 2, false, false},
    {"nothing at all", [](const std::string&, const std::string&) { return std::string(); }, 0, false, false},
};

class WatchChannelTest : public ::testing::TestWithParam<ChannelCase> {};

TEST_P(WatchChannelTest, ActsOnlyOnWellFormedRecords) {
  const ChannelCase& c = GetParam();
  ScratchFolder scratch;
  const std::string folder = scratch / "book.qvx";
  const std::string file = folder + "/index.html";
  writeFile(file, "x");
  EXPECT_EQ(watch(c.bytes(folder, file)), c.status);
  EXPECT_EQ(!exists(file), c.fileRemoved);
  EXPECT_EQ(!exists(folder), c.folderRemoved);
}

INSTANTIATE_TEST_SUITE_P(Cases, WatchChannelTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p != '\0'; ++p) {
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           }
                           return name;
                         });

TEST(WatchChannel, TheViewerEncodesRecordsAsTheWatcherReadsThem) {
  std::vector<char> encoded = {'o', 'l', 'd'};
  encodeWatchRecord(WatchRecord::Folder, "/tmp/book.qvx", encoded);
  EXPECT_EQ(std::string(encoded.begin(), encoded.end()), record(WatchRecord::Folder, "/tmp/book.qvx"));
  EXPECT_EQ(watchRecordLength(encoded.data()), 13u);
  encodeWatchRecord(WatchRecord::AllRemoved, {}, encoded);
  EXPECT_EQ(std::string(encoded.begin(), encoded.end()), record(WatchRecord::AllRemoved));
}

TEST(WatchChannel, RemovesFoldersInnermostFirstAndFilesBeforeFolders) {
  ScratchFolder scratch;
  const std::string top = scratch / "a";
  const std::vector<std::string> folders = {top, top + "/b", top + "/b/c", top + "/d"};
  std::string bytes;
  for (const auto& folder : folders) bytes += record(WatchRecord::Folder, folder);
  // Files recorded after their folders, one in each, and a trailing slash on
  // a folder as a caller might write it.
  for (const auto& folder : folders) {
    writeFile(folder + "/f", "x");
    bytes += record(WatchRecord::File, folder + "/f");
  }
  bytes += record(WatchRecord::Folder, top + "/b/");
  EXPECT_EQ(watch(bytes), 0);
  EXPECT_FALSE(exists(top));
}

// The engine's own data: a tree removed with everything in it, before the
// files and folders, so that the folder holding it can go too.
TEST(WatchChannel, RemovesATreeWholeBeforeTheFolderHoldingIt) {
  ScratchFolder scratch;
  const std::string folder = scratch / "book.qvx";
  const std::string tree = folder + "/__engine/";
  writeFile(tree + "storage/deep/salt", "x");
  writeFile(tree + "hsts-storage.sqlite", "x");
  writeFile(folder + "/index.html", "x");
  const std::string bytes = record(WatchRecord::Folder, folder) + record(WatchRecord::File, folder + "/index.html") +
                            record(WatchRecord::Tree, tree);
  EXPECT_EQ(watch(bytes), 0);
  EXPECT_FALSE(exists(folder));
}

}  // namespace
}  // namespace pagora::testing
