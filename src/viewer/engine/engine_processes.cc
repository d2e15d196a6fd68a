#include "viewer/engine/engine_processes.h"

#include <array>
#include <string_view>
#include <vector>

#include "platform/child_processes.h"

namespace pagora::viewer {
namespace {

// What WebKitGTK starts: its processes, and the sandbox and D-Bus proxy
// around them.
constexpr std::array<std::string_view, 5> kEnginePrograms = {
    "WebKitNetworkProcess", "WebKitWebProcess", "WebKitGPUProcess", "bwrap", "xdg-dbus-proxy",
};

// Long enough for a process to write nothing more; short enough that a
// closing window is not kept waiting.
constexpr int kGraceMilliseconds = 500;

}  // namespace

bool endEngineProcesses() {
  std::vector<pid_t> engine;
  for (const platform::ChildProcess& child : platform::runningChildren()) {
    for (const std::string_view program : kEnginePrograms) {
      if (child.program == program) engine.push_back(child.pid);
    }
  }
  return platform::endProcesses(engine, kGraceMilliseconds);
}

}  // namespace pagora::viewer
