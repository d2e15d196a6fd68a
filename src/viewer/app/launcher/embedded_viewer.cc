#include "viewer/app/launcher/embedded_viewer.h"

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Put there by embedded_viewer.S at link time.
extern "C" const unsigned char pagora_embedded_viewer_start[];
extern "C" const unsigned char pagora_embedded_viewer_end[];

namespace pagora::launcher {
namespace {

#ifndef MFD_EXEC
#define MFD_EXEC 0x0010U
#endif

// Kernels from 6.3 on may be told to refuse executable memory files unless
// asked for by name; older ones refuse the flag itself.
int executableMemoryFile() {
  const int fd = ::memfd_create("pagora-viewer", MFD_CLOEXEC | MFD_EXEC);
  if (fd >= 0 || errno != EINVAL) return fd;
  return ::memfd_create("pagora-viewer", MFD_CLOEXEC);
}

bool writeAll(int fd, const unsigned char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

ViewerMain loadLibrary(const char* path, char* reason, std::size_t reasonSize) {
  // Binding every symbol now finds a library too old for the viewer here
  // rather than in the middle of the reader's session.
  void* library = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
  void* entry = library != nullptr ? ::dlsym(library, kViewerEntryPoint) : nullptr;
  if (entry == nullptr) {
    std::snprintf(reason, reasonSize, "%s", ::dlerror());
    return nullptr;
  }
  return reinterpret_cast<ViewerMain>(entry);
}

}  // namespace

ViewerMain loadEmbeddedViewer(char* reason, std::size_t reasonSize) {
  // A debugger or a sanitizer needs the library as a file, with its symbols.
  if (const char* file = std::getenv(kViewerLibraryVariable); file != nullptr && file[0] != '\0') {
    return loadLibrary(file, reason, reasonSize);
  }
  const std::size_t size = static_cast<std::size_t>(pagora_embedded_viewer_end - pagora_embedded_viewer_start);
  // The descriptor stays open for the life of the process: the loader knows
  // the library by this path.
  const int fd = executableMemoryFile();
  if (fd < 0 || !writeAll(fd, pagora_embedded_viewer_start, size)) {
    std::snprintf(reason, reasonSize, "cannot hold the viewer in memory: %s", std::strerror(errno));
    if (fd >= 0) ::close(fd);
    return nullptr;
  }
  char path[32];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  const ViewerMain entry = loadLibrary(path, reason, reasonSize);
  if (entry == nullptr) ::close(fd);
  return entry;
}

}  // namespace pagora::launcher
