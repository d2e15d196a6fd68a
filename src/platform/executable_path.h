// The full path of the running executable: a book reads its own container.
#pragma once

#include <string>

namespace pagora::platform {

// readlink("/proc/self/exe"); empty when it cannot be read.
std::string executablePath();

}  // namespace pagora::platform
