// The per-user lock that marks a running viewer. It is an flock on a file in a
// folder private to the user, so the kernel drops it when the process ends,
// however it ends; a viewer killed outright leaves no lock behind. Beside the
// lock lives the socket on which the running viewer listens for a second start.
#pragma once

#include <string>

#include "platform/directory.h"
#include "platform/file.h"

namespace pagora::platform {

class SingleInstanceLock {
 public:
  enum class State {
    Held,           // this process holds the lock
    HeldByAnother,  // another process holds it
    Unavailable,    // no private folder or lock file could be had; errno-style reason kept
  };

  // Tries to take the lock "<name>.lock" in `folder` (which ends in '/').
  // The lock file is created only when it does not exist yet, so a start that
  // finds the lock held writes nothing.
  static SingleInstanceLock acquire(const std::string& folder, const std::string& name);

  SingleInstanceLock(SingleInstanceLock&&) noexcept = default;
  SingleInstanceLock& operator=(SingleInstanceLock&&) noexcept = default;

  State state() const { return state_; }
  // The system's reason when Unavailable.
  int error() const { return error_; }
  // "<folder><name>.sock": where the holder listens.
  const std::string& socketPath() const { return socketPath_; }

 private:
  SingleInstanceLock() = default;

  State state_ = State::Unavailable;
  int error_ = 0;
  std::string socketPath_;
  File lockFile_;  // closing it releases the lock
};

// The folder for the lock and the socket, ending in '/': $XDG_RUNTIME_DIR when
// it names an absolute path, else "pagora-<uid>/" in the temporary directory,
// made 0700 when missing. Empty when that folder is not a real folder owned by
// the user and writable by nobody else, or cannot be made.
std::string instanceFolder();

}  // namespace pagora::platform
