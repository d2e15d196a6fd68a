// The user's temporary directory, where a book's private folder lives.
#pragma once

#include <string>

namespace pagora::platform {

// $TMPDIR when it is an absolute path, else "/tmp"; always ends in '/'.
std::string tempDirectory();

}  // namespace pagora::platform
