#include "platform/directory.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pagora::platform {

Directory::Directory(Directory&& other) noexcept
    : descriptor_(other.descriptor_), path_(std::move(other.path_)) {
  other.descriptor_ = -1;
}

Directory& Directory::operator=(Directory&& other) noexcept {
  if (this != &other) {
    close();
    descriptor_ = other.descriptor_;
    path_ = std::move(other.path_);
    other.descriptor_ = -1;
  }
  return *this;
}

Directory::~Directory() { close(); }

Directory Directory::open(const std::string& path) {
  Directory folder;
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) {
    folder.descriptor_ = fd;
    folder.path_ = path;
  }
  return folder;
}

Directory Directory::duplicate() const {
  Directory copy;
  if (descriptor_ < 0) return copy;
  const int fd = ::fcntl(descriptor_, F_DUPFD_CLOEXEC, 0);
  if (fd >= 0) {
    copy.descriptor_ = fd;
    copy.path_ = path_;
  }
  return copy;
}

Directory Directory::openFolder(const std::string& name) const {
  Directory folder;
  int fd;
  do {
    fd = ::openat(descriptor_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) {
    folder.descriptor_ = fd;
    folder.path_ = path_;
    if (!folder.path_.empty() && folder.path_.back() != '/') folder.path_ += '/';
    folder.path_ += name + '/';
  }
  return folder;
}

bool Directory::isPrivateToUser() const {
  struct stat st {};
  if (::fstat(descriptor_, &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool Directory::makeFolder(const std::string& name) const {
  return ::mkdirat(descriptor_, name.c_str(), 0700) == 0;
}

bool Directory::removeFile(const std::string& name) const { return ::unlinkat(descriptor_, name.c_str(), 0) == 0; }

void Directory::close() {
  if (descriptor_ >= 0) {
    ::close(descriptor_);
    descriptor_ = -1;
  }
  path_.clear();
}

}  // namespace pagora::platform
