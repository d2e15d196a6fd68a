// This process's own child processes, found through /proc, and their ending.
// Used at exit for helper processes that a library started and that would
// otherwise go on writing after the viewer has removed its files.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace pagora::platform {

struct ChildProcess {
  pid_t pid = 0;
  std::string program;  // the file name of its executable, without folder
};

// The children of every thread of this process that still run (zombies, whose
// parent has not yet collected them, are over and not listed).
std::vector<ChildProcess> runningChildren();

// Sends SIGTERM to each of `pids`, waits up to `graceMilliseconds` for them to
// end, then sends SIGKILL to those left and waits as long again. Collecting
// them stays with whoever started them. True when all have ended.
bool endProcesses(const std::vector<pid_t>& pids, int graceMilliseconds);

}  // namespace pagora::platform
