// Runs a program as a process of its own and collects what it said: for the
// authoring tool's command line and for the load probe, whose point is a
// process apart (a book reads its own executable; limits, mount namespaces
// and a temporary directory that are the child's alone). Standard input is
// /dev/null; standard output and error are read whole, however long.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pagora::testing {

struct ProcessSpec {
  std::string program;
  std::vector<std::string> arguments;  // after the program's name
  // Variables set (a value) or removed (nullopt) in the child's environment.
  std::vector<std::pair<std::string, std::optional<std::string>>> environment;
  // Runs in the child after the environment is set, just before the program
  // starts. A setup that fails writes why to stderr and calls _exit(126).
  std::function<void()> inChild;
  // A program still running after this long is killed: a hang fails its test
  // instead of stalling the suite. Not a speed target.
  int deadlineSeconds = 120;
};

struct ProcessResult {
  int exitStatus = -1;  // when the program exited
  int signal = 0;       // when a signal ended it
  bool timedOut = false;
  std::string out;
  std::string err;

  bool exitedWith(int status) const { return signal == 0 && !timedOut && exitStatus == status; }
};

// Throws std::runtime_error when the process cannot be started at all.
ProcessResult runProcess(const ProcessSpec& spec);

// How a process ended, for failure messages: "exit 1", "signal 9", "timed out".
std::string describeEnd(const ProcessResult& result);

// The lines of `text`, without their line ends.
std::vector<std::string> linesOf(const std::string& text);

}  // namespace pagora::testing
