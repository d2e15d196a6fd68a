// The crash watcher's own process: everything here runs in a child forked
// from a possibly threaded viewer, so it uses async-signal-safe calls only
// and no heap.
#include "session/watcher_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/ended_sandboxes.h"
#include "platform/remove_tree.h"
#include "session/watch_channel.h"

namespace pagora {
namespace {

constexpr char kWatcherName[] = "pagora-watcher";
constexpr int kSandboxEndWaitMilliseconds = 5000;
// The least time given to the engine's processes to notice the viewer's end.
constexpr long long kEngineSettleMilliseconds = 300;
// How long records gather in the channel after each read: 1 ms.
constexpr timespec kGatherTime{0, 1000000};

long long nowMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void sleepUntil(long long milliseconds) {
  for (long long left = milliseconds - nowMilliseconds(); left > 0; left = milliseconds - nowMilliseconds()) {
    const timespec step{static_cast<time_t>(left / 1000), static_cast<long>(left % 1000) * 1000000};
    ::nanosleep(&step, nullptr);
  }
}

// A growable list of NUL-terminated paths in memory of its own: the heap of a
// process forked from a threaded one may be locked for good.
struct PathList {
  char* data = nullptr;
  std::size_t size = 0;
  std::size_t capacity = 0;
  bool overflowed = false;  // memory ran out; later paths were dropped
};

void append(PathList& list, const char* path, std::size_t length) {
  const std::size_t needed = list.size + length + 1;
  if (needed > list.capacity) {
    std::size_t capacity = list.capacity != 0 ? list.capacity : std::size_t{1} << 16;
    while (capacity < needed) capacity *= 2;
    void* grown = list.data == nullptr
                      ? ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                      : ::mremap(list.data, list.capacity, capacity, MREMAP_MAYMOVE);
    if (grown == MAP_FAILED) {
      list.overflowed = true;
      return;
    }
    list.data = static_cast<char*>(grown);
    list.capacity = capacity;
  }
  std::memcpy(list.data + list.size, path, length);
  list.data[list.size + length] = '\0';
  list.size = needed;
}

struct Outstanding {
  PathList trees;
  PathList files;
  PathList folders;  // in the order made

  bool empty() const { return trees.size == 0 && files.size == 0 && folders.size == 0; }
};

// `path` without its trailing slashes, which would make lstat follow a link.
std::size_t trimmedLength(const char* path) {
  std::size_t length = std::strlen(path);
  while (length > 1 && path[length - 1] == '/') --length;
  return length;
}

bool isRealFolder(const char* path) {
  char trimmed[kMaxWatchedPath + 1];
  const std::size_t length = trimmedLength(path);
  std::memcpy(trimmed, path, length);
  trimmed[length] = '\0';
  struct stat info;
  return ::lstat(trimmed, &info) == 0 && S_ISDIR(info.st_mode);
}

bool liesUnder(const char* path, const PathList& folders) {
  for (std::size_t at = 0; at < folders.size;) {
    const char* folder = folders.data + at;
    const std::size_t length = std::strlen(folder);
    if (std::strncmp(path, folder, length) == 0 && (path[length] == '/' || path[length] == '\0')) return true;
    at += length + 1;
  }
  return false;
}

void removeOutstanding(const Outstanding& outstanding) {
  // Trees first: the engine's data lies inside the folders made.
  for (std::size_t at = 0; at < outstanding.trees.size;) {
    const char* tree = outstanding.trees.data + at;
    platform::removeTree(tree);
    at += std::strlen(tree) + 1;
  }
  // A recorded folder that something else has replaced (a link, say) would
  // lead out of the private folder: nothing at or below it is touched.
  PathList detours;
  const PathList& folders = outstanding.folders;
  for (std::size_t at = 0; at < folders.size;) {
    const char* folder = folders.data + at;
    if (!isRealFolder(folder)) append(detours, folder, trimmedLength(folder));
    at += std::strlen(folder) + 1;
  }
  const PathList& files = outstanding.files;
  for (std::size_t at = 0; at < files.size;) {
    const char* path = files.data + at;
    struct stat info;
    // Only what was recorded: a file (or a link in its place, which unlink
    // removes itself), never a folder that has taken its name.
    if (!liesUnder(path, detours) && ::lstat(path, &info) == 0 && !S_ISDIR(info.st_mode)) ::unlink(path);
    at += std::strlen(path) + 1;
  }
  // Last made first, so an inner folder goes before the one holding it.
  // rmdir takes only an empty folder, never a link.
  std::size_t end = folders.size;
  while (end > 0) {
    std::size_t start = end - 1;  // at the path's NUL
    while (start > 0 && folders.data[start - 1] != '\0') --start;
    if (!liesUnder(folders.data + start, detours)) ::rmdir(folders.data + start);
    end = start;
  }
}

// Takes the complete records at the front of `bytes`; returns how many bytes
// it used, or -1 for something that is not a record.
long takeRecords(const char* bytes, std::size_t count, Outstanding& outstanding) {
  std::size_t used = 0;
  while (count - used >= kWatchRecordHeaderSize) {
    const char* record = bytes + used;
    const std::uint32_t length = watchRecordLength(record);
    if (length > kMaxWatchedPath) return -1;
    if (count - used < kWatchRecordHeaderSize + length) break;
    const char* path = record + kWatchRecordHeaderSize;
    if (std::memchr(path, '\0', length) != nullptr) return -1;
    switch (static_cast<WatchRecord>(record[0])) {
      case WatchRecord::File:
        append(outstanding.files, path, length);
        break;
      case WatchRecord::Folder:
        append(outstanding.folders, path, length);
        break;
      case WatchRecord::Tree:
        append(outstanding.trees, path, length);
        break;
      case WatchRecord::AllRemoved:
        if (length != 0) return -1;
        // Kept mapped: the next paths reuse the memory.
        outstanding.trees.size = 0;
        outstanding.files.size = 0;
        outstanding.folders.size = 0;
        break;
      default:
        return -1;
    }
    used += kWatchRecordHeaderSize + length;
  }
  return static_cast<long>(used);
}

void closeFrom(int first) {
  if (::close_range(static_cast<unsigned>(first), ~0U, 0) == 0) return;
  const long limit = ::sysconf(_SC_OPEN_MAX);
  for (int fd = first; fd < (limit > 0 ? limit : 65536); ++fd) ::close(fd);
}

// Leaves the watcher with the channel as descriptor 3, its lock (if any) as 4,
// /dev/null as its standard streams and nothing else, its own name, and default
// signal handling except for the signals that end a whole process group, which
// it ignores.
int detachFromViewer(int channel, int lock) {
  // Out of the way of 0 to 4 first, so that no dup2 below overwrites them.
  const int movedChannel = ::fcntl(channel, F_DUPFD, 5);
  const int movedLock = lock >= 0 ? ::fcntl(lock, F_DUPFD, 5) : -1;
  if (movedChannel < 0) return -1;
  const int null = ::open("/dev/null", O_RDWR);
  for (int fd = 0; fd <= 2; ++fd) {
    if (null >= 0 && null != fd) ::dup2(null, fd);
  }
  if (::dup2(movedChannel, 3) != 3) return -1;
  int keep = 4;
  if (movedLock >= 0 && ::dup2(movedLock, 4) == 4) keep = 5;
  closeFrom(keep);

  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  sigemptyset(&action.sa_mask);
  action.sa_handler = SIG_DFL;
  for (int signal = 1; signal < NSIG; ++signal) ::sigaction(signal, &action, nullptr);
  action.sa_handler = SIG_IGN;
  for (const int signal : {SIGINT, SIGHUP, SIGQUIT, SIGTERM, SIGPIPE}) ::sigaction(signal, &action, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);

  ::prctl(PR_SET_NAME, kWatcherName, 0, 0, 0);
  return 3;
}

}  // namespace

[[noreturn]] void runWatcher(int channel, int lock, const char* sandboxFolder, pid_t viewer) {
  const int fd = detachFromViewer(channel, lock);
  if (fd < 0) ::_exit(1);
  const std::int32_t pid = ::getpid();
  if (!sendAll(fd, &pid, sizeof pid)) ::_exit(1);
  struct Ended {
    const char* sandboxFolder;
    pid_t viewer;
  };
  const Ended ended{sandboxFolder, viewer};
  // The engine's processes end once they notice the viewer is gone: the
  // sandboxed ones with it (they are bound to its life), the network process
  // when its channel closes, after the messages already sent to it.
  const WatchSettle settle = [](const void* context) {
    const auto* what = static_cast<const Ended*>(context);
    const long long until = nowMilliseconds() + kEngineSettleMilliseconds;
    if (what->sandboxFolder != nullptr) {
      platform::removeEndedSandboxes(what->sandboxFolder, what->viewer, kSandboxEndWaitMilliseconds);
    }
    sleepUntil(until);
  };
  const int status = watchChannel(fd, settle, &ended);
  // The sandbox dies with the viewer and needs a moment to go.
  if (sandboxFolder != nullptr) platform::removeEndedSandboxes(sandboxFolder, viewer, kSandboxEndWaitMilliseconds);
  ::_exit(status);
}

int watchChannel(int channel, WatchSettle settle, const void* context) {
  Outstanding outstanding;
  // Room for the largest record, so a record is never split twice.
  char buffer[1 << 16];
  static_assert(sizeof buffer > kWatchRecordHeaderSize + kMaxWatchedPath);
  std::size_t held = 0;
  for (;;) {
    const ssize_t n = ::read(channel, buffer + held, sizeof buffer - held);
    if (n < 0 && errno == EINTR) continue;
    // A read error is taken as the end: the viewer can tell nothing more.
    if (n <= 0) break;
    held += static_cast<std::size_t>(n);
    const long used = takeRecords(buffer, held, outstanding);
    if (used < 0) return 2;
    held -= static_cast<std::size_t>(used);
    std::memmove(buffer, buffer + used, held);
    // A viewer writing a book records a file every few microseconds: letting
    // them gather wakes the watcher once for many of them, not once for each,
    // and leaves the processor to the writing. They wait in the channel,
    // which holds them even if the viewer dies meanwhile.
    ::nanosleep(&kGatherTime, nullptr);
  }
  if (outstanding.empty()) return 0;
  removeOutstanding(outstanding);
  if (settle != nullptr) {
    settle(context);
    removeOutstanding(outstanding);
  }
  return 0;
}

}  // namespace pagora
