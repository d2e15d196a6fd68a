#include "viewer/app/launcher/engine_message.h"

#include <cstdio>
#include <cstring>

namespace pagora::launcher {
namespace {

// glibc's words: "libx.so.0: cannot open shared object file: No such file or directory".
constexpr const char* kCannotOpen = ": cannot open shared object file";

}  // namespace

LoadFault classifyLoadFault(const char* reason) {
  if (std::strstr(reason, kCannotOpen) != nullptr) return LoadFault::MissingLibrary;
  if (std::strstr(reason, "undefined symbol") != nullptr || std::strstr(reason, "symbol lookup error") != nullptr ||
      (std::strstr(reason, "version `") != nullptr && std::strstr(reason, "not found") != nullptr)) {
    return LoadFault::UnfitLibrary;
  }
  return LoadFault::Other;
}

void composeEngineMessage(const char* book, const char* reason, char* out, std::size_t size) {
  const LoadFault fault = classifyLoadFault(reason);
  if (fault == LoadFault::Other) {
    std::snprintf(out, size, "Cannot show the book \"%s\": %s.", book, reason);
    return;
  }
  char what[512];
  if (fault == LoadFault::MissingLibrary) {
    const char* colon = std::strstr(reason, kCannotOpen);
    std::snprintf(what, sizeof what, "the library %.*s is not installed", static_cast<int>(colon - reason), reason);
  } else {
    std::snprintf(what, sizeof what, "an installed library is too old for it (%s)", reason);
  }
  std::snprintf(out, size,
                "Cannot show the book \"%s\": %s.\n"
                "The book needs the web engine WebKitGTK 4.1 with GTK 3. Install the package %s "
                "(Debian, Ubuntu) or %s (Fedora), then start the book again.",
                book, what, kDebianEnginePackage, kFedoraEnginePackage);
}

}  // namespace pagora::launcher
