#include "platform/remove_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace pagora::platform {
namespace {

// The engine's trees are a few levels deep; the limit bounds the stack.
constexpr int kMaxDepth = 32;

struct LinuxDirent64 {
  ino64_t inode;
  off64_t offset;
  unsigned short length;
  unsigned char type;
  char name[];
};

bool isDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool removeFolderAt(int parent, const char* name, int depth);

// One reading of the folder from its start, removing what it finds; returns
// how many entries went.
int removeEntries(int folder, int depth) {
  if (::lseek(folder, 0, SEEK_SET) != 0) return 0;
  alignas(LinuxDirent64) char buffer[4096];
  int removed = 0;
  for (;;) {
    const long got = ::syscall(SYS_getdents64, folder, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return removed;
    for (long at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const LinuxDirent64*>(buffer + at);
      at += entry->length;
      if (isDotOrDotDot(entry->name)) continue;
      // unlink takes anything but a folder, a link included, never its target.
      if (::unlinkat(folder, entry->name, 0) == 0 ||
          ((errno == EISDIR || errno == EPERM) && removeFolderAt(folder, entry->name, depth + 1))) {
        ++removed;
      }
    }
  }
}

// Empties the real folder `name` in `parent` and removes it.
bool removeFolderAt(int parent, const char* name, int depth) {
  if (depth > kMaxDepth) return false;
  const int folder = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0) return false;
  // Removing while reading may let the reading pass over an entry: read again
  // while that removes anything.
  for (int pass = 0; pass < 4; ++pass) {
    if (removeEntries(folder, depth) == 0) break;
  }
  ::close(folder);
  return ::unlinkat(parent, name, AT_REMOVEDIR) == 0;
}

}  // namespace

bool removeTree(const char* path) {
  // Without its trailing slashes, which would make the lookups follow a link.
  char trimmed[PATH_MAX];
  std::size_t length = std::strlen(path);
  while (length > 1 && path[length - 1] == '/') --length;
  if (length == 0 || length >= sizeof trimmed) return false;
  std::memcpy(trimmed, path, length);
  trimmed[length] = '\0';
  struct stat info;
  if (::lstat(trimmed, &info) != 0) return errno == ENOENT;
  if (!S_ISDIR(info.st_mode)) return ::unlink(trimmed) == 0;
  return removeFolderAt(AT_FDCWD, trimmed, 0);
}

}  // namespace pagora::platform
