// A stand-in viewer in a child process: it starts a real CrashWatcher, records
// paths through the real TempFileRegistry, waits until the test lets it go,
// then ends the way the test asked. The test process makes itself a child
// subreaper, so the watcher (which its own parent leaves at once) becomes the
// test's child and the test can wait for it with a deadline.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace pagora::testing {

struct Recording {
  std::vector<std::string> folders;  // in the order made
  std::vector<std::string> files;
  // Told to the watcher after the paths above: the viewer's own removeAll ran
  // (the stand-in removes nothing, so anything removed is the watcher's work).
  bool allRemoved = false;
  std::vector<std::string> filesAfterwards;  // recorded after that
};

enum class Ending {
  Killed,               // SIGKILL
  Crashed,              // abort()
  ExitedWithoutCleanUp, // _exit(0) with no word to the watcher
};

class ViewerChild {
 public:
  // With `lockFolder`, the watcher is started with its lock there.
  ViewerChild(const Recording& recording, Ending ending, const std::string& lockFolder = {});
  ~ViewerChild();  // kills and reaps whatever still runs
  ViewerChild(const ViewerChild&) = delete;
  ViewerChild& operator=(const ViewerChild&) = delete;

  // The watcher's pid, once everything is recorded; -1 if it did not start.
  pid_t watcherPid() const { return watcher_; }
  // Lets the viewer end as asked and waits until it has.
  void end();
  // end(), then waits for the watcher's exit; returns its wait status, or -1
  // if it did not exit within the deadline.
  int finish();

 private:
  pid_t viewer_ = -1;
  pid_t watcher_ = -1;
  int release_ = -1;  // closing it lets the viewer end
};

// Waits for child `pid` with a deadline; its wait status, or -1.
int waitForExit(pid_t pid, double seconds = 30.0);

}  // namespace pagora::testing
