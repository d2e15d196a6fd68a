#include "child_setup.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace pagora::testing {
namespace {

[[noreturn]] void failSetup(const char* what) {
  std::fprintf(stderr, "child setup: %s: %s\n", what, std::strerror(errno));
  ::_exit(126);
}

// A mount namespace of the child's own, whose mounts do not propagate back.
bool enterPrivateMountNamespace() {
  return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

}  // namespace

bool canMountPrivately() {
  static const bool permitted = [] {
    char pattern[] = "/tmp/pagora-mount-check-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return false;
    const pid_t child = ::fork();
    if (child == 0) {
      const bool mounted = enterPrivateMountNamespace() && ::mount("tmpfs", pattern, "tmpfs", 0, "size=16k") == 0;
      ::_exit(mounted ? 0 : 1);
    }
    int status = 1;
    if (child > 0) ::waitpid(child, &status, 0);
    ::rmdir(pattern);
    return child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }();
  return permitted;
}

ChildSetup mountTmpfs(std::string folder, std::string options, bool readOnly) {
  return [folder = std::move(folder), options = std::move(options), readOnly] {
    if (!enterPrivateMountNamespace()) failSetup("a mount namespace of its own");
    const unsigned long flags = MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", flags, options.c_str()) != 0) failSetup("mount tmpfs");
  };
}

ChildSetup bindReadOnly(std::string folder) {
  return [folder = std::move(folder)] {
    if (!enterPrivateMountNamespace()) failSetup("a mount namespace of its own");
    if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) failSetup("bind mount");
    if (::mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
      failSetup("remount read-only");
    }
  };
}

ChildSetup setTemporaryDirectory(std::string path) {
  return [path = std::move(path)] {
    if (::setenv("TMPDIR", path.c_str(), 1) != 0) failSetup("setenv TMPDIR");
  };
}

ChildSetup limitFileSize(unsigned long bytes) {
  return [bytes] {
    // Ignored dispositions survive exec, so the book sees EFBIG.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) failSetup("RLIMIT_FSIZE");
  };
}

ChildSetup limitOpenFiles(unsigned long count) {
  return [count] {
    const rlimit limit{count, count};
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) failSetup("RLIMIT_NOFILE");
  };
}

}  // namespace pagora::testing
