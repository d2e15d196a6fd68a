// What the engine's sandbox leaves in the runtime folder goes once it is over,
// and only then: instance folders by their lock and their process, proxy
// sockets by whether anything listens; other programs' folders and files that
// are no sockets stay. An ended viewer's own instances are waited for.
#include "platform/ended_sandboxes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "support/scratch_folder.h"

namespace pagora::platform {
namespace {

using pagora::testing::exists;
using pagora::testing::ScratchFolder;
using pagora::testing::writeFile;

// A child process that runs until it is ended, holding a write lock on
// `lockFile` when one is given.
class Child {
 public:
  explicit Child(const std::string& lockFile = {}) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      if (!lockFile.empty()) {
        const int fd = ::open(lockFile.c_str(), O_RDWR);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (fd < 0 || ::fcntl(fd, F_SETLK, &lock) != 0) ::_exit(1);
      }
      const char byte = 1;
      if (::write(ready[1], &byte, 1) != 1) ::_exit(1);
      ::pause();
      ::_exit(0);
    }
    char byte;
    EXPECT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { end(); }

  pid_t pid() const { return pid_; }
  // Ends the child; with `reap`, waits for it too (else it stays a zombie until destroyed).
  void end(bool reap = true) {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    if (reap) {
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }

 private:
  pid_t pid_ = -1;
};

void instance(const std::string& folder, long childPid) {
  writeFile(folder + "/bwrapinfo.json", "{\n    \"child-pid\": " + std::to_string(childPid) +
                                            ",\n    \"pid-namespace\": 4026532322\n}\n");
}

// A socket bound at `path`; it listens while the returned descriptor is open.
int boundSocket(const std::string& path, bool listening) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
  if (listening) {
    EXPECT_EQ(::listen(fd, 1), 0);
  }
  return fd;
}

TEST(EndedSandboxesTest, RemovesWhatIsOverAndNothingElse) {
  ScratchFolder scratch;
  const std::string run = scratch.folder();
  const std::string instances = run + ".flatpak/";
  const std::string proxies = run + "webkitgtk/";

  Child running;
  Child ended;
  ended.end(/*reap=*/false);  // a zombie: ended, not yet reaped
  const pid_t gone = ended.pid();
  instance(instances + "webkit-100-4", running.pid());
  instance(instances + "webkit-100-13", gone);
  instance(instances + "webkit-101-4", 0);  // no process named: over unless locked
  writeFile(instances + "webkit-101-4/.ref", "");
  Child holder(instances + "webkit-101-4/.ref");
  instance(instances + "webkit-102-4", 0);
  writeFile(instances + "webkit-102-4/.ref", "");  // a lock nobody holds
  instance(instances + "org.example.App-5", gone);  // another program's sandbox

  writeFile(proxies + "bus-proxy-FILE01", "");  // a name made but no socket yet
  const int listening = boundSocket(proxies + "bus-proxy-LIVE01", true);
  ::close(boundSocket(proxies + "a11y-proxy-DEAD01", true));
  ::close(boundSocket(proxies + "something-else", true));

  const SandboxRemains remains = removeEndedSandboxes(run.c_str(), 999999, 0);
  EXPECT_EQ(remains.instances, 2);
  EXPECT_EQ(remains.sockets, 2);
  EXPECT_TRUE(exists(instances + "webkit-100-4/bwrapinfo.json"));
  EXPECT_FALSE(exists(instances + "webkit-100-13"));
  EXPECT_TRUE(exists(instances + "webkit-101-4/.ref"));
  EXPECT_FALSE(exists(instances + "webkit-102-4"));
  EXPECT_TRUE(exists(instances + "org.example.App-5"));
  EXPECT_TRUE(exists(proxies + "bus-proxy-LIVE01"));
  EXPECT_FALSE(exists(proxies + "a11y-proxy-DEAD01"));
  EXPECT_TRUE(exists(proxies + "bus-proxy-FILE01"));
  EXPECT_TRUE(exists(proxies + "something-else"));
  ::close(listening);
}

TEST(EndedSandboxesTest, WaitsForTheEndedViewersInstancesAndRemovesTheEmptyFolders) {
  ScratchFolder scratch;
  const std::string run = scratch.folder();
  Child sandbox;
  const pid_t viewer = 424242;
  instance(run + ".flatpak/webkit-" + std::to_string(viewer) + "-4", sandbox.pid());
  // The sandbox outlives the viewer by a moment.
  const pid_t ender = ::fork();
  if (ender == 0) {
    ::usleep(200 * 1000);
    ::kill(sandbox.pid(), SIGKILL);
    ::_exit(0);
  }

  const SandboxRemains remains = removeEndedSandboxes(run.c_str(), viewer, 10000);
  ::waitpid(ender, nullptr, 0);
  EXPECT_EQ(remains.instances, 0);
  EXPECT_FALSE(exists(run + ".flatpak"));
  EXPECT_FALSE(exists(run + "webkitgtk"));
}

TEST(EndedSandboxesTest, AnInstanceThatDoesNotEndIsLeftWhenTheWaitIsOver) {
  ScratchFolder scratch;
  const std::string run = scratch.folder();
  Child sandbox;
  instance(run + ".flatpak/webkit-7-4", sandbox.pid());
  EXPECT_EQ(removeEndedSandboxes(run.c_str(), 7, 50).instances, 1);
  EXPECT_TRUE(exists(run + ".flatpak/webkit-7-4/bwrapinfo.json"));
}

}  // namespace
}  // namespace pagora::platform
