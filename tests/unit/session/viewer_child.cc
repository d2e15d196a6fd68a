#include "viewer_child.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>

#include "session/crash_watcher.h"
#include "session/temp_file_registry.h"

namespace pagora::testing {
namespace {

[[noreturn]] void runStandIn(const Recording& recording, Ending ending, const std::string& lockFolder, int report,
                             int release) {
  auto watcher = CrashWatcher::start(lockFolder);
  std::int32_t pid = watcher ? watcher->pid() : -1;
  TempFileRegistry registry;
  registry.setObserver(watcher.get());
  for (const auto& folder : recording.folders) registry.addFolder(folder);
  for (const auto& file : recording.files) registry.addFile(file);
  if (recording.allRemoved && watcher) watcher->allRemoved();
  for (const auto& file : recording.filesAfterwards) registry.addFile(file);
  if (::write(report, &pid, sizeof pid) != sizeof pid) ::_exit(3);
  char ignored;
  while (::read(release, &ignored, 1) < 0) {
  }
  switch (ending) {
    case Ending::Killed:
      ::raise(SIGKILL);
      break;
    case Ending::Crashed: {
      const rlimit noCore{0, 0};  // a crash on purpose leaves no core file about
      ::setrlimit(RLIMIT_CORE, &noCore);
      std::abort();
    }
    case Ending::ExitedWithoutCleanUp:
      break;
  }
  ::_exit(0);
}

}  // namespace

int waitForExit(pid_t pid, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0 || std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

ViewerChild::ViewerChild(const Recording& recording, Ending ending, const std::string& lockFolder) {
  ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
  int report[2];
  int release[2];
  if (::pipe(report) != 0) return;
  if (::pipe(release) != 0) {
    ::close(report[0]);
    ::close(report[1]);
    return;
  }
  viewer_ = ::fork();
  if (viewer_ == 0) {
    ::close(report[0]);
    ::close(release[1]);
    runStandIn(recording, ending, lockFolder, report[1], release[0]);
  }
  ::close(report[1]);
  ::close(release[0]);
  release_ = release[1];
  std::int32_t pid = -1;
  if (viewer_ > 0 && ::read(report[0], &pid, sizeof pid) == sizeof pid) watcher_ = pid;
  ::close(report[0]);
}

void ViewerChild::end() {
  if (release_ >= 0) ::close(release_);
  release_ = -1;
  if (viewer_ > 0) waitForExit(viewer_);
  viewer_ = -1;
}

int ViewerChild::finish() {
  end();
  const int status = watcher_ > 0 ? waitForExit(watcher_) : -1;
  watcher_ = -1;
  return status;
}

ViewerChild::~ViewerChild() {
  if (release_ >= 0) ::close(release_);
  for (const pid_t pid : {viewer_, watcher_}) {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      waitForExit(pid);
    }
  }
}

}  // namespace pagora::testing
