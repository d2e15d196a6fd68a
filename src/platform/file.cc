#include "platform/file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/directory.h"

namespace pagora::platform {
namespace {

// Calls readSome(into, wanted, doneSoFar) until n bytes have come, the end of
// the file is reached or a real error occurs; interrupted calls are retried.
template <typename ReadSome>
std::int64_t readFully(void* buffer, std::size_t n, ReadSome readSome) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = readSome(out + done, n - done, done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

// Writes all n bytes through writeSome(from, wanted, done); stops at the
// first real error. Interrupted calls are retried.
template <typename WriteSome>
std::int64_t writeFully(const void* data, std::size_t n, WriteSome writeSome) {
  const auto* in = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t put = writeSome(in + done, n - done, done);
    if (put < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (put == 0) break;
    done += static_cast<std::size_t>(put);
  }
  return static_cast<std::int64_t>(done);
}

}  // namespace

File::File(File&& other) noexcept : descriptor_(other.descriptor_) { other.descriptor_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    descriptor_ = other.descriptor_;
    other.descriptor_ = -1;
  }
  return *this;
}

File::~File() { close(); }

File File::openForReading(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return File(fd);
}

File File::createIn(const Directory& folder, const std::string& name) {
  // Nearly always nothing stands there: a file this call makes is a new
  // regular file, and needs no look at what it is.
  int fd;
  do {
    fd = ::openat(folder.descriptor(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0 || errno != EEXIST) return File(fd);
  // Without O_NONBLOCK a FIFO planted in the file's place would hold the open
  // until someone read from it; only a regular file is written.
  do {
    fd = ::openat(folder.descriptor(), name.c_str(),
                  O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
  } while (fd < 0 && errno == EINTR);
  File file(fd);
  struct stat st {};
  if (file.isOpen() && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    file.close();
    errno = EINVAL;
  }
  return file;
}

File File::create(const std::string& path, unsigned mode) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, static_cast<mode_t>(mode));
  } while (fd < 0 && errno == EINTR);
  return File(fd);
}

void File::close() {
  if (descriptor_ >= 0) {
    ::close(descriptor_);  // Linux releases the descriptor even when close reports EINTR.
    descriptor_ = -1;
  }
}

std::int64_t File::readAt(void* buffer, std::size_t n, std::int64_t position) {
  if (position < 0) {
    errno = EINVAL;
    return -1;
  }
  return readFully(buffer, n, [&](char* into, std::size_t wanted, std::size_t done) {
    return ::pread(descriptor_, into, wanted, static_cast<off_t>(position) + static_cast<off_t>(done));
  });
}

std::int64_t File::read(void* buffer, std::size_t n) {
  return readFully(buffer, n,
                   [&](char* into, std::size_t wanted, std::size_t) { return ::read(descriptor_, into, wanted); });
}

std::int64_t File::write(const void* data, std::size_t n) {
  return writeFully(data, n, [&](const char* from, std::size_t wanted, std::size_t) {
    return ::write(descriptor_, from, wanted);
  });
}

std::int64_t File::writeAt(const void* data, std::size_t n, std::int64_t position) {
  if (position < 0) {
    errno = EINVAL;
    return -1;
  }
  return writeFully(data, n, [&](const char* from, std::size_t wanted, std::size_t done) {
    return ::pwrite(descriptor_, from, wanted, static_cast<off_t>(position) + static_cast<off_t>(done));
  });
}

bool File::seek(std::int64_t position) {
  if (position < 0) return false;
  return ::lseek(descriptor_, static_cast<off_t>(position), SEEK_SET) == static_cast<off_t>(position);
}

std::int64_t File::position() const { return ::lseek(descriptor_, 0, SEEK_CUR); }

std::int64_t File::size() const {
  struct stat st {};
  if (::fstat(descriptor_, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

}  // namespace pagora::platform
