#include "platform/temp_directory.h"

#include <cstdlib>

namespace pagora::platform {

std::string tempDirectory() {
  const char* fromEnvironment = std::getenv("TMPDIR");
  std::string path = (fromEnvironment != nullptr && fromEnvironment[0] == '/') ? fromEnvironment : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

}  // namespace pagora::platform
