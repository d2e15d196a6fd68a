// CrashWatcher: a small process that outlives a viewer which dies without its
// clean-up (killed, crashed) and removes what the viewer had recorded.
//
// The viewer forks it once, before the book is loaded, and keeps a channel to
// it; every path the TempFileRegistry records goes down the channel as it is
// recorded. When the viewer's own removeAll has run it says so, and the watcher
// forgets what it had. When the channel closes (the viewer has ended, however
// it ended) the watcher removes whatever it still holds, trees first, then
// files, then folders from the last made to the first, and exits.
//
// The watcher never follows a link: a recorded file is unlinked only when it is
// not a folder (unlink removes a link itself, never its target), and a recorded
// folder goes only when rmdir finds it empty, which is never true of a link.
// Paths it was not told of are never touched, so a folder that holds anything
// else stays with it.
//
// The watcher holds nothing of the viewer's: no descriptor but the channel and
// its own lock (the single-instance lock, the display and the buses stay with
// the viewer, so a new start is not refused while the watcher lives), and its
// standard streams are /dev/null. It survives SIGINT, SIGHUP, SIGQUIT and SIGTERM, which a
// terminal or a session sends to the viewer's whole process group, so that it
// is still there to see how the viewer ended.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "session/temp_file_registry.h"
#include "session/watch_channel.h"

namespace pagora {

// The lock that a watcher holds while it lives, in the folder given to start.
inline constexpr const char* kWatcherLockName = "pagora-watcher.lock";
// How long a start waits for an earlier watcher before going on regardless.
inline constexpr int kTurnWaitSeconds = 30;

class CrashWatcher final : public TempFileRegistry::Observer {
 public:
  // Starts the watcher and returns once it has let go of everything it
  // inherited. Null, with the reason on stderr, when it cannot be started;
  // the viewer then runs as it would without one.
  //
  // With `lockFolder` (ending in '/'), the watcher holds a lock there for its
  // whole life, and start first waits (up to kTurnWait) until no earlier
  // viewer's watcher holds it: a book started again right after a crash would
  // otherwise have its fresh files removed under it.
  //
  // With `sandboxRuntimeFolder`, once the viewer has ended the watcher waits
  // (a few seconds at most) for the sandbox of the viewer's web engine to end
  // and removes what it left there (platform/ended_sandboxes.h).
  static std::unique_ptr<CrashWatcher> start(const std::string& lockFolder = {},
                                             const std::string& sandboxRuntimeFolder = {});

  CrashWatcher(const CrashWatcher&) = delete;
  CrashWatcher& operator=(const CrashWatcher&) = delete;
  // Closes the channel: the watcher removes what is outstanding and exits.
  ~CrashWatcher() override;

  void folderRecorded(const std::string& path) override;
  void fileRecorded(const std::string& path) override;
  void treeRecorded(const std::string& path) override;
  void allRemoved() override;

  // The watcher's process id, as it reported it.
  pid_t pid() const { return pid_; }
  // False once the watcher can no longer be told anything.
  bool connected() const { return channel_ >= 0; }

 private:
  CrashWatcher(pid_t pid, int channel) : pid_(pid), channel_(channel) {}
  void send(WatchRecord kind, const std::string& path);
  void disconnect();

  pid_t pid_;
  int channel_;
  std::vector<char> record_;  // reused for each record
};

}  // namespace pagora
