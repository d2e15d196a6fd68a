#include "platform/child_processes.h"

#include <dirent.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string_view>

namespace pagora::platform {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

// Whether `pid` still runs: a zombie or a vanished process has ended. The
// process state follows the command name, which is in parentheses and may
// itself hold any character, so it is read after the last ')'.
bool isRunning(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos || close + 2 >= line.size()) return false;
  const char state = line[close + 2];
  return state != 'Z' && state != 'X' && state != 'x';
}

std::string programOf(pid_t pid) {
  std::string target(4096, '\0');
  const std::string link = "/proc/" + std::to_string(pid) + "/exe";
  const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
  if (length <= 0) return {};
  target.resize(static_cast<std::size_t>(length));
  // A program replaced on disk while it runs is shown " (deleted)".
  constexpr std::string_view kDeleted = " (deleted)";
  if (target.ends_with(kDeleted)) target.resize(target.size() - kDeleted.size());
  const std::size_t slash = target.rfind('/');
  return slash == std::string::npos ? target : target.substr(slash + 1);
}

bool waitUntilEnded(const std::vector<pid_t>& pids, int milliseconds) {
  constexpr int kStepMilliseconds = 5;
  for (int waited = 0;; waited += kStepMilliseconds) {
    bool anyRunning = false;
    for (const pid_t pid : pids) anyRunning = anyRunning || isRunning(pid);
    if (!anyRunning) return true;
    if (waited >= milliseconds) return false;
    const timespec step{0, kStepMilliseconds * 1000 * 1000};
    ::nanosleep(&step, nullptr);
  }
}

}  // namespace

std::vector<ChildProcess> runningChildren() {
  std::vector<ChildProcess> children;
  const std::unique_ptr<DIR, DirCloser> tasks(::opendir("/proc/self/task"));
  if (!tasks) return children;
  while (const dirent* task = ::readdir(tasks.get())) {
    if (task->d_name[0] == '.') continue;
    std::ifstream list(std::string("/proc/self/task/") + task->d_name + "/children");
    pid_t pid = 0;
    while (list >> pid) {
      if (isRunning(pid)) children.push_back({pid, programOf(pid)});
    }
  }
  return children;
}

bool endProcesses(const std::vector<pid_t>& pids, int graceMilliseconds) {
  if (pids.empty()) return true;
  for (const pid_t pid : pids) ::kill(pid, SIGTERM);
  if (waitUntilEnded(pids, graceMilliseconds)) return true;
  for (const pid_t pid : pids) ::kill(pid, SIGKILL);
  return waitUntilEnded(pids, graceMilliseconds);
}

}  // namespace pagora::platform
