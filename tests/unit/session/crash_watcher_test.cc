// The watcher removes exactly what a viewer that died had recorded, never
// through a link and never anything else; a viewer that cleaned up itself
// leaves it nothing to do; and it holds nothing of the viewer's.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "session/crash_watcher.h"
#include "support/scratch_folder.h"
#include "viewer_child.h"

namespace pagora::testing {
namespace {

namespace fs = std::filesystem;

bool exitedCleanly(int status) { return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0; }

// A book's private folder with a subfolder two deep, a file in each, and a
// file beside the folder that nobody recorded.
class WatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    top = scratch / "book.qvx";
    inner = top + "/images";
    innermost = inner + "/small";
    for (const auto& folder : {top, inner, innermost}) fs::create_directory(folder);
    files = {top + "/index.html", inner + "/cover.png", innermost + "/dot.png"};
    for (const auto& file : files) writeFile(file, "x");
    neighbour = scratch / "neighbour.txt";
    writeFile(neighbour, "not the viewer's");
  }

  Recording everything() const { return Recording{{top, inner, innermost}, files, false, {}}; }

  ScratchFolder scratch;
  std::string top, inner, innermost, neighbour;
  std::vector<std::string> files;
};

TEST_F(WatcherTest, AViewerThatDiesHasExactlyWhatItRecordedRemoved) {
  for (const Ending ending : {Ending::Killed, Ending::Crashed, Ending::ExitedWithoutCleanUp}) {
    SCOPED_TRACE(static_cast<int>(ending));
    SetUp();
    ViewerChild viewer(everything(), ending);
    ASSERT_GT(viewer.watcherPid(), 0);
    EXPECT_TRUE(exists(innermost + "/dot.png")) << "nothing goes while the viewer lives";
    EXPECT_TRUE(exitedCleanly(viewer.finish()));
    EXPECT_FALSE(exists(top));
    EXPECT_TRUE(exists(neighbour));
  }
}

TEST_F(WatcherTest, AViewerThatRemovedEverythingItselfLeavesTheWatcherNothingToDo) {
  Recording recording = everything();
  recording.allRemoved = true;
  ViewerChild viewer(recording, Ending::ExitedWithoutCleanUp);
  EXPECT_TRUE(exitedCleanly(viewer.finish()));
  for (const auto& file : files) EXPECT_TRUE(exists(file)) << file;
}

TEST_F(WatcherTest, PathsRecordedAfterTheViewersCleanUpAreStillWatched) {
  const std::string late = top + "/about.html";
  writeFile(late, "about");
  Recording recording = everything();
  recording.allRemoved = true;
  recording.filesAfterwards = {late};
  ViewerChild viewer(recording, Ending::Killed);
  EXPECT_TRUE(exitedCleanly(viewer.finish()));
  EXPECT_FALSE(exists(late));
  for (const auto& file : files) EXPECT_TRUE(exists(file)) << file;
}

TEST_F(WatcherTest, AFileNobodyRecordedKeepsItsFolders) {
  const std::string stranger = innermost + "/stranger.txt";
  writeFile(stranger, "mine");
  ViewerChild viewer(everything(), Ending::Killed);
  EXPECT_TRUE(exitedCleanly(viewer.finish()));
  EXPECT_TRUE(exists(stranger));
  for (const auto& file : files) EXPECT_FALSE(exists(file)) << file;
}

TEST_F(WatcherTest, ALinkInARecordedFilesPlaceGoesButNotWhatItPointsTo) {
  const std::string outside = scratch / "outside.txt";
  writeFile(outside, "keep me");
  const std::string cover = inner + "/cover.png";
  fs::remove(cover);
  fs::create_symlink(outside, cover);
  ViewerChild viewer(everything(), Ending::Killed);
  EXPECT_TRUE(exitedCleanly(viewer.finish()));
  EXPECT_FALSE(exists(cover));
  EXPECT_EQ(readFile(outside), "keep me");
  EXPECT_FALSE(exists(top));
}

TEST_F(WatcherTest, ALinkInARecordedFoldersPlaceStaysAndSoDoesItsTarget) {
  const std::string outside = scratch / "outside";
  writeFile(outside + "/precious.txt", "keep me");
  fs::remove_all(innermost);
  fs::create_directory_symlink(outside, innermost);
  Recording recording = everything();
  recording.files.push_back(innermost + "/precious.txt");  // only reachable through the link
  ViewerChild viewer(recording, Ending::Killed);
  EXPECT_TRUE(exitedCleanly(viewer.finish()));
  EXPECT_TRUE(fs::is_symlink(innermost));
  EXPECT_EQ(readFile(outside + "/precious.txt"), "keep me");
  EXPECT_FALSE(exists(inner + "/cover.png"));
}

TEST_F(WatcherTest, AFolderInARecordedFilesPlaceStays) {
  const std::string index = top + "/index.html";
  fs::remove(index);
  writeFile(index + "/inside.txt", "a folder now");
  ViewerChild viewer(everything(), Ending::Killed);
  EXPECT_TRUE(exitedCleanly(viewer.finish()));
  EXPECT_TRUE(exists(index + "/inside.txt"));
  EXPECT_FALSE(exists(innermost));
}

TEST_F(WatcherTest, ManyPathsAcrossManyReadsAreAllRemoved) {
  Recording recording = everything();
  // Long names, so the records overrun the watcher's read buffer many times.
  const std::string longName(200, 'n');
  for (int i = 0; i < 3000; ++i) {
    const std::string path = inner + "/" + std::to_string(i) + longName;
    std::ofstream(path) << i;
    recording.files.push_back(path);
  }
  ViewerChild viewer(recording, Ending::Killed);
  EXPECT_TRUE(exitedCleanly(viewer.finish()));
  EXPECT_FALSE(exists(top));
}

std::set<std::string> openDescriptors(pid_t pid) {
  std::set<std::string> found;
  for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
    found.insert(entry.path().filename().string());
  }
  return found;
}

std::string statusLine(pid_t pid, const std::string& key) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key + ":", 0) == 0) return line.substr(key.size() + 1);
  }
  return {};
}

TEST_F(WatcherTest, TheWatcherHoldsNothingOfTheViewersAndSurvivesGroupSignals) {
  // Inheritable, as a lock or a display connection might be.
  const int inherited = ::open(neighbour.c_str(), O_RDONLY);
  ASSERT_GE(inherited, 0);
  ViewerChild viewer(everything(), Ending::Killed);
  ::close(inherited);
  const pid_t watcher = viewer.watcherPid();
  ASSERT_GT(watcher, 0);
  const std::string proc = "/proc/" + std::to_string(watcher);

  EXPECT_EQ(openDescriptors(watcher), (std::set<std::string>{"0", "1", "2", "3"}));
  for (const char* stream : {"0", "1", "2"}) EXPECT_EQ(fs::read_symlink(proc + "/fd/" + stream), "/dev/null");
  EXPECT_EQ(fs::read_symlink(proc + "/fd/3").string().rfind("socket:", 0), 0u);
  std::ifstream comm(proc + "/comm");
  std::string name;
  std::getline(comm, name);
  EXPECT_EQ(name, "pagora-watcher");

  const unsigned long ignored = std::stoul(statusLine(watcher, "SigIgn"), nullptr, 16);
  for (const int signal : {SIGINT, SIGHUP, SIGQUIT, SIGTERM}) {
    EXPECT_TRUE(ignored & (1UL << (signal - 1))) << "signal " << signal;
    ::kill(watcher, signal);
  }
  EXPECT_TRUE(exitedCleanly(viewer.finish()));
  EXPECT_FALSE(exists(top));
}

bool lockIsFree(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR);
  const bool free = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (fd >= 0) ::close(fd);
  return free;
}

TEST_F(WatcherTest, ANewStartWaitsUntilAnEarlierViewersWatcherHasFinished) {
  const std::string lockFolder = scratch.path() + "/";
  const std::string lock = lockFolder + kWatcherLockName;
  ViewerChild first(everything(), Ending::Killed, lockFolder);
  const pid_t watcher = first.watcherPid();
  ASSERT_GT(watcher, 0);
  EXPECT_EQ(openDescriptors(watcher), (std::set<std::string>{"0", "1", "2", "3", "4"}));
  // The earlier viewer is gone, but its watcher has not got round to its files.
  ASSERT_EQ(::kill(watcher, SIGSTOP), 0);
  first.end();
  EXPECT_FALSE(lockIsFree(lock));
  EXPECT_TRUE(exists(top));

  // A new start of the same book, in a process of its own: it reports whether
  // the earlier files were still there when its watcher started.
  int report[2];
  ASSERT_EQ(::pipe(report), 0);
  const pid_t second = ::fork();
  struct Seen {
    char files;  // 'y' still there, '-' gone, 'n' no watcher
    pid_t watcher;
  };
  if (second == 0) {
    auto secondWatcher = CrashWatcher::start(lockFolder);
    const Seen seen{secondWatcher == nullptr ? 'n' : exists(top) ? 'y' : '-',
                    secondWatcher ? secondWatcher->pid() : -1};
    ::_exit(::write(report[1], &seen, sizeof seen) == sizeof seen ? 0 : 1);
  }
  ::close(report[1]);
  // A start that did not wait would report at once; one that waits says
  // nothing while the earlier watcher is stopped.
  pollfd waiting{report[0], POLLIN, 0};
  EXPECT_EQ(::poll(&waiting, 1, 500), 0) << "the new start did not wait for the earlier watcher";
  ASSERT_EQ(::kill(watcher, SIGCONT), 0);
  Seen seen{};
  EXPECT_EQ(::read(report[0], &seen, sizeof seen), static_cast<ssize_t>(sizeof seen));
  ::close(report[0]);
  EXPECT_EQ(seen.files, '-') << "the new start went on while the earlier files were still being removed";
  EXPECT_TRUE(exitedCleanly(waitForExit(second)));
  EXPECT_TRUE(exitedCleanly(waitForExit(watcher)));
  // The second start's watcher, adopted in turn, ends with its viewer.
  EXPECT_GT(seen.watcher, 0);
  EXPECT_TRUE(exitedCleanly(waitForExit(seen.watcher)));
  EXPECT_TRUE(lockIsFree(lock));
}

}  // namespace
}  // namespace pagora::testing
