#include "support/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace pagora::testing {
namespace {

// Pipe ends that close themselves.
struct Pipe {
  int read = -1;
  int write = -1;
  Pipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    read = ends[0];
    write = ends[1];
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  ~Pipe() {
    closeRead();
    closeWrite();
  }
  void closeRead() {
    if (read >= 0) ::close(read);
    read = -1;
  }
  void closeWrite() {
    if (write >= 0) ::close(write);
    write = -1;
  }
};

[[noreturn]] void startChild(const ProcessSpec& spec, const Pipe& out, const Pipe& err) {
  const int devNull = ::open("/dev/null", O_RDONLY);
  if (devNull < 0 || ::dup2(devNull, STDIN_FILENO) < 0 || ::dup2(out.write, STDOUT_FILENO) < 0 ||
      ::dup2(err.write, STDERR_FILENO) < 0) {
    ::_exit(126);
  }
  for (const auto& [name, value] : spec.environment) {
    if (value) {
      ::setenv(name.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }
  // The parent's signal mask and ignored signals would reach the program.
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  if (spec.inChild) spec.inChild();
  std::vector<char*> argv{const_cast<char*>(spec.program.c_str())};
  for (const std::string& argument : spec.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  ::execv(spec.program.c_str(), argv.data());
  std::fprintf(stderr, "cannot run %s: %s\n", spec.program.c_str(), std::strerror(errno));
  ::_exit(127);
}

// Reads both streams until both close or the deadline passes.
bool collect(Pipe& out, Pipe& err, ProcessResult& result, std::chrono::steady_clock::time_point deadline) {
  char buffer[65536];
  while (out.read >= 0 || err.read >= 0) {
    pollfd ends[2] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    const int ready = ::poll(ends, 2, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) return false;
    for (int i = 0; i < 2; ++i) {
      if (ends[i].fd < 0 || ends[i].revents == 0) continue;
      Pipe& pipe = i == 0 ? out : err;
      const ssize_t got = ::read(pipe.read, buffer, sizeof buffer);
      if (got > 0) {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        pipe.closeRead();
      }
    }
  }
  return true;
}

}  // namespace

ProcessResult runProcess(const ProcessSpec& spec) {
  Pipe out;
  Pipe err;
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("cannot start " + spec.program + ": " + std::strerror(errno));
  if (child == 0) startChild(spec, out, err);
  out.closeWrite();
  err.closeWrite();

  ProcessResult result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(spec.deadlineSeconds);
  if (!collect(out, err, result, deadline)) {
    result.timedOut = true;
    ::kill(child, SIGKILL);
  }
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(child, &status, result.timedOut ? 0 : WNOHANG);
    if (done == child) break;
    if (done < 0 && errno != EINTR) throw std::runtime_error("cannot wait for " + spec.program);
    // Both streams are closed: the program is on its way out, or hangs
    // having closed them.
    if (std::chrono::steady_clock::now() >= deadline) {
      result.timedOut = true;
      ::kill(child, SIGKILL);
    } else if (done == 0) {
      ::usleep(1000);
    }
  }
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status) && !result.timedOut) result.signal = WTERMSIG(status);
  return result;
}

std::string describeEnd(const ProcessResult& result) {
  if (result.timedOut) return "timed out";
  if (result.signal != 0) return "signal " + std::to_string(result.signal);
  return "exit " + std::to_string(result.exitStatus);
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace pagora::testing
