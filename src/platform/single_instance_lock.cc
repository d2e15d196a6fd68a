#include "platform/single_instance_lock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/temp_directory.h"

namespace pagora::platform {
namespace {

bool isPrivateFolder(const std::string& path) {
  const Directory folder = Directory::open(path);
  return folder.isOpen() && folder.isPrivateToUser();
}

}  // namespace

std::string instanceFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    std::string path = runtime;
    if (path.back() != '/') path += '/';
    return isPrivateFolder(path) ? path : std::string();
  }
  // A shared temporary directory: someone else may have made the folder first.
  const std::string name = "pagora-" + std::to_string(::geteuid());
  const Directory temp = Directory::open(tempDirectory());
  if (!temp.isOpen()) return {};
  if (!temp.makeFolder(name) && errno != EEXIST) return {};
  // Without a trailing slash, so that O_NOFOLLOW refuses a link planted in its place.
  const std::string path = tempDirectory() + name;
  return isPrivateFolder(path) ? path + "/" : std::string();
}

SingleInstanceLock SingleInstanceLock::acquire(const std::string& folder, const std::string& name) {
  SingleInstanceLock lock;
  if (folder.empty() || folder.front() != '/') {
    lock.error_ = ENOENT;
    return lock;
  }
  lock.socketPath_ = folder + name + ".sock";
  const std::string lockPath = folder + name + ".lock";
  int fd;
  do {
    fd = ::open(lockPath.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0 && errno == ENOENT) {
    do {
      fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
  }
  if (fd < 0) {
    lock.error_ = errno;
    return lock;
  }
  lock.lockFile_ = File(fd);
  int result;
  do {
    result = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) {
    lock.state_ = State::Held;
  } else if (errno == EWOULDBLOCK) {
    lock.state_ = State::HeldByAnother;
    lock.lockFile_.close();
  } else {
    lock.error_ = errno;
    lock.lockFile_.close();
  }
  return lock;
}

}  // namespace pagora::platform
