#include "session/crash_watcher.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/file.h"
#include "session/watch_channel.h"
#include "session/watcher_process.h"

namespace pagora {
namespace {

std::int32_t readPid(int channel) {
  std::int32_t pid = 0;
  std::size_t got = 0;
  while (got < sizeof pid) {
    const ssize_t n = ::recv(channel, reinterpret_cast<char*>(&pid) + got, sizeof pid - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    got += static_cast<std::size_t>(n);
  }
  return pid;
}

// Takes the watchers' lock in `folder`, waiting while the watcher of an earlier
// viewer holds it. Not open when there is no folder, the lock cannot be had, or
// the wait was too long; the viewer then goes on without it.
platform::File waitForTurn(const std::string& folder) {
  if (folder.empty()) return {};
  const std::string path = folder + kWatcherLockName;
  platform::File lock(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!lock.isOpen()) return {};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTurnWaitSeconds);
  while (::flock(lock.descriptor(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
      std::fprintf(stderr, "pagora: going on without waiting for \"%s\": %s\n", path.c_str(),
                   errno == EWOULDBLOCK ? "an earlier viewer's files are still being removed" : std::strerror(errno));
      return {};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return lock;
}

}  // namespace

std::unique_ptr<CrashWatcher> CrashWatcher::start(const std::string& lockFolder,
                                                  const std::string& sandboxRuntimeFolder) {
  // Read by the watcher from its copy of this process's memory.
  const pid_t viewer = ::getpid();
  const char* sandboxFolder = sandboxRuntimeFolder.empty() ? nullptr : sandboxRuntimeFolder.c_str();
  // Closed here once the watcher runs: the watcher's copy keeps the lock.
  const platform::File turn = waitForTurn(lockFolder);
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    std::fprintf(stderr, "pagora: cannot start the clean-up watcher: %s\n", std::strerror(errno));
    return nullptr;
  }
  // One fork, not two: the watcher stays this process's child while the
  // viewer lives (it ends after the viewer, which never waits for it), and a
  // second copy of a process the size of the viewer costs the start-up time.
  const pid_t forked = ::_Fork();
  if (forked == 0) {
    // This child may have been forked from a threaded process: from here on
    // only async-signal-safe calls, and the fork ran no fork handlers.
    ::close(ends[1]);
    runWatcher(ends[0], turn.descriptor(), sandboxFolder, viewer);
  }
  const int forkError = errno;
  ::close(ends[0]);
  if (forked < 0) {
    ::close(ends[1]);
    std::fprintf(stderr, "pagora: cannot start the clean-up watcher: %s\n", std::strerror(forkError));
    return nullptr;
  }
  // Once it reports, it holds nothing of the viewer's but its channel and lock.
  const std::int32_t pid = readPid(ends[1]);
  if (pid <= 0) {
    ::close(ends[1]);
    std::fprintf(stderr, "pagora: the clean-up watcher did not start\n");
    return nullptr;
  }
  return std::unique_ptr<CrashWatcher>(new CrashWatcher(pid, ends[1]));
}

CrashWatcher::~CrashWatcher() { disconnect(); }

void CrashWatcher::folderRecorded(const std::string& path) { send(WatchRecord::Folder, path); }

void CrashWatcher::fileRecorded(const std::string& path) { send(WatchRecord::File, path); }

void CrashWatcher::treeRecorded(const std::string& path) { send(WatchRecord::Tree, path); }

void CrashWatcher::allRemoved() { send(WatchRecord::AllRemoved, {}); }

void CrashWatcher::send(WatchRecord kind, const std::string& path) {
  // Nothing by that name can exist, so there is nothing to remove later.
  if (channel_ < 0 || path.size() > kMaxWatchedPath || path.find('\0') != std::string::npos) return;
  encodeWatchRecord(kind, path, record_);
  // Sent at once, not batched: a path still in a buffer here would be lost
  // with the viewer.
  if (!sendAll(channel_, record_.data(), record_.size())) {
    std::fprintf(stderr, "pagora: the clean-up watcher has gone: %s\n", std::strerror(errno));
    disconnect();
  }
}

void CrashWatcher::disconnect() {
  if (channel_ >= 0) ::close(channel_);
  channel_ = -1;
}

}  // namespace pagora
