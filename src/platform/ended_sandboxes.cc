#include "platform/ended_sandboxes.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/remove_tree.h"

namespace pagora::platform {
namespace {

constexpr const char kInstances[] = ".flatpak/";
constexpr const char kInstancePrefix[] = "webkit-";
constexpr const char kProxies[] = "webkitgtk/";
constexpr const char* kProxyPrefixes[] = {"bus-proxy-", "a11y-proxy-", "dbus-proxy-"};
constexpr int kPathSize = 4096;

// `out` = `a` + `b` + `c`; false when it does not fit.
bool join(char* out, const char* a, const char* b, const char* c = "") {
  const std::size_t la = std::strlen(a), lb = std::strlen(b), lc = std::strlen(c);
  if (la + lb + lc >= kPathSize) return false;
  std::memcpy(out, a, la);
  std::memcpy(out + la, b, lb);
  std::memcpy(out + la + lb, c, lc + 1);
  return true;
}

bool startsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

long parseNumber(const char* text) {
  long value = 0;
  while (*text == ' ' || *text == '\t') ++text;
  if (*text < '0' || *text > '9') return 0;
  for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + (*text - '0');
  return value;
}

// Reads up to `size - 1` bytes of `path` as text; false when it cannot.
bool readText(const char* path, char* text, std::size_t size) {
  const int fd = ::open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  const ssize_t got = ::read(fd, text, size - 1);
  ::close(fd);
  if (got <= 0) return false;
  text[got] = '\0';
  return true;
}

// A process that has ended but is not reaped yet (a zombie) runs no more.
bool processRuns(long pid) {
  if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)) return false;
  char number[24];
  int at = sizeof number - 1;
  number[at] = '\0';
  for (long rest = pid; rest > 0 && at > 0; rest /= 10) number[--at] = static_cast<char>('0' + rest % 10);
  char path[64];
  char text[512];
  if (!join(path, "/proc/", number + at, "/stat") || !readText(path, text, sizeof text)) return true;
  // "pid (name) S ...": the state follows the name, which may itself hold ')'.
  const char* close = std::strrchr(text, ')');
  return close == nullptr || close[1] == '\0' || (close[2] != 'Z' && close[2] != 'X');
}

bool lockHeld(const char* instance) {
  char path[kPathSize];
  if (!join(path, instance, "/.ref")) return false;
  const int fd = ::open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  const bool held = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
  ::close(fd);
  return held;
}

long childPid(const char* instance) {
  char path[kPathSize];
  char text[1024];
  if (!join(path, instance, "/bwrapinfo.json") || !readText(path, text, sizeof text)) return 0;
  const char* key = std::strstr(text, "\"child-pid\"");
  const char* colon = key != nullptr ? std::strchr(key, ':') : nullptr;
  return colon != nullptr ? parseNumber(colon + 1) : 0;
}

bool instanceAlive(const char* instance) { return lockHeld(instance) || processRuns(childPid(instance)); }

// A socket nobody listens on refuses a connection; anything else is left alone.
bool socketOver(const char* path) {
  struct stat status {};
  if (::lstat(path, &status) != 0 || !S_ISSOCK(status.st_mode)) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (std::strlen(path) >= sizeof address.sun_path) return false;
  std::strcpy(address.sun_path, path);
  const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  const bool refused =
      ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && errno == ECONNREFUSED;
  ::close(probe);
  return refused;
}

// Calls `visit(name)` for each entry of `folder` but "." and "..".
template <typename Visit>
void forEachEntry(const char* folder, Visit visit) {
  const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  alignas(dirent64) char buffer[8192];
  for (;;) {
    const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
      at += entry->d_reclen;
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) visit(entry->d_name);
    }
  }
  ::close(fd);
}

// One pass; true when none of `owner`'s instances is left.
bool sweep(const char* runtimeFolder, pid_t owner, SandboxRemains& remains) {
  remains = {};
  bool ownerDone = true;
  char instances[kPathSize] = "";
  char proxies[kPathSize] = "";
  if (join(instances, runtimeFolder, kInstances)) {
    forEachEntry(instances, [&](const char* name) {
      char instance[kPathSize];
      if (!startsWith(name, kInstancePrefix) || !join(instance, instances, name)) return;
      if (instanceAlive(instance) || !removeTree(instance)) {
        ++remains.instances;
        if (parseNumber(name + sizeof kInstancePrefix - 1) == owner) ownerDone = false;
      }
    });
  }
  if (join(proxies, runtimeFolder, kProxies)) {
    forEachEntry(proxies, [&](const char* name) {
      bool proxy = false;
      for (const char* prefix : kProxyPrefixes) proxy = proxy || startsWith(name, prefix);
      char path[kPathSize];
      if (!proxy || !join(path, proxies, name)) return;
      if (!socketOver(path) || ::unlink(path) != 0) ++remains.sockets;
    });
  }
  // The folders themselves go too once empty; whoever needs one makes it anew.
  ::rmdir(proxies);
  ::rmdir(instances);
  return ownerDone;
}

long long nowMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

SandboxRemains removeEndedSandboxes(const char* runtimeFolder, pid_t owner, int waitMilliseconds) {
  SandboxRemains remains;
  if (runtimeFolder == nullptr || runtimeFolder[0] != '/') return remains;
  const long long deadline = nowMilliseconds() + waitMilliseconds;
  while (!sweep(runtimeFolder, owner, remains) && nowMilliseconds() < deadline) {
    const timespec pause{0, 20 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
  }
  return remains;
}

}  // namespace pagora::platform
