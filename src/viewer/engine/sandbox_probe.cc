#include "viewer/engine/sandbox_probe.h"

#include <fcntl.h>
#include <glib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace pagora::viewer {
namespace {

// Where the engine looks for its sandbox's programs (fixed when it is built).
constexpr const char* kBubblewrap = "/usr/bin/bwrap";
constexpr const char* kDBusProxy = "/usr/bin/xdg-dbus-proxy";
// Long enough for a loaded machine; the engine would wait as long for its own start.
constexpr int kDeadlineMilliseconds = 5000;
constexpr std::size_t kMaximumReason = 400;

long long nowMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// bubblewrap's own words, on one line, without its "bwrap: " prefix.
std::string firstLine(std::string text) {
  if (const std::size_t end = text.find('\n'); end != std::string::npos) text.resize(end);
  if (text.rfind("bwrap: ", 0) == 0) text.erase(0, 7);
  if (text.size() > kMaximumReason) text.resize(kMaximumReason);
  return text;
}

}  // namespace

SandboxProbe::SandboxProbe() {
  // The engine resolves the home folder whenever it is given a folder to
  // show inside its sandbox, and crashes when there is none to resolve.
  const char* home = g_get_home_dir();
  if (g_autofree char* resolved = ::realpath(home, nullptr); resolved == nullptr) {
    failure_ = std::string("the home folder \"") + home + "\" cannot be used (" + std::strerror(errno) + ")";
    collected_ = true;
    return;
  }
  if (::access(kBubblewrap, X_OK) != 0) {
    failure_ = std::string(kBubblewrap) + " is missing (" + std::strerror(errno) + ")";
    collected_ = true;
    return;
  }
  if (::access(kDBusProxy, X_OK) != 0) {
    failure_ = std::string(kDBusProxy) + " is missing (" + std::strerror(errno) + ")";
    collected_ = true;
    return;
  }
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) {
    failure_ = std::string("cannot start ") + kBubblewrap + ": " + std::strerror(errno);
    collected_ = true;
    return;
  }
  // The namespaces and mounts the engine asks for its web processes.
  const char* const command[] = {kBubblewrap, "--unshare-all", "--die-with-parent", "--ro-bind", "/", "/",
                                 "--proc", "/proc", "--dev", "/dev", "true", nullptr};
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_adddup2(&actions, pipe[1], STDERR_FILENO);
  const int spawned = ::posix_spawn(&pid_, kBubblewrap, &actions, nullptr, const_cast<char* const*>(command), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  ::close(pipe[1]);
  if (spawned != 0) {
    ::close(pipe[0]);
    pid_ = -1;
    failure_ = std::string("cannot start ") + kBubblewrap + ": " + std::strerror(spawned);
    collected_ = true;
    return;
  }
  errors_ = pipe[0];
}

SandboxProbe::~SandboxProbe() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  if (errors_ >= 0) ::close(errors_);
}

const std::string& SandboxProbe::failure() {
  if (!collected_) collect();
  return failure_;
}

void SandboxProbe::collect() {
  collected_ = true;
  std::string errors;
  const long long deadline = nowMilliseconds() + kDeadlineMilliseconds;
  bool ended = false;  // bubblewrap closed its standard error: it has finished
  for (;;) {
    const long long left = deadline - nowMilliseconds();
    if (left <= 0) break;
    pollfd readable{errors_, POLLIN, 0};
    const int ready = ::poll(&readable, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    char buffer[512];
    const ssize_t got = ::read(errors_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ended = true;
      break;
    }
    if (errors.size() < 4 * kMaximumReason) errors.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(errors_);
  errors_ = -1;
  if (!ended) {
    ::kill(pid_, SIGKILL);
  }
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  if (!ended) {
    failure_ = std::string(kBubblewrap) + " did not finish within " + std::to_string(kDeadlineMilliseconds / 1000) +
               " s";
  } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    const std::string said = firstLine(errors);
    if (!said.empty()) {
      failure_ = said;
    } else if (WIFEXITED(status)) {
      failure_ = std::string(kBubblewrap) + " exited with status " + std::to_string(WEXITSTATUS(status));
    } else {
      failure_ = std::string(kBubblewrap) + " ended by signal " + std::to_string(WTERMSIG(status));
    }
  }
}

}  // namespace pagora::viewer
