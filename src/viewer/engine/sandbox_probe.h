// SandboxProbe: whether the web engine's sandbox can start on this machine.
// The engine runs its web processes under bubblewrap, which needs namespaces
// that some systems forbid (unprivileged user namespaces turned off,
// containers, chroots); there the engine aborts the whole viewer when it
// launches its first web process. The probe runs bubblewrap as the engine
// will, in the background while the book is being read, so the engine can be
// told to run without its sandbox before that first launch. A home folder
// that does not exist counts as a failure too: the engine resolves it each
// time it is given a folder to show inside its sandbox, and crashes without.
#pragma once

#include <sys/types.h>

#include <string>

namespace pagora::viewer {

class SandboxProbe {
 public:
  // Starts bubblewrap in the background; the answer is waited for by failure().
  SandboxProbe();
  SandboxProbe(const SandboxProbe&) = delete;
  SandboxProbe& operator=(const SandboxProbe&) = delete;
  // Ends a probe nobody waited for.
  ~SandboxProbe();

  // Empty when the sandbox works here; otherwise why it cannot, in a few
  // words. Waits for the probe at most a few seconds, then counts it failed.
  const std::string& failure();

 private:
  void collect();

  pid_t pid_ = -1;
  int errors_ = -1;  // the reading end of bubblewrap's standard error
  bool collected_ = false;
  std::string failure_;
};

}  // namespace pagora::viewer
