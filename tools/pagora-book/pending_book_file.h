// A book being written under a temporary name in its target folder. It takes
// its final name only when committed, so a failed run leaves neither a half
// book nor a damaged earlier one; otherwise it is removed when it goes away.
#pragma once

#include <string>

#include "platform/file.h"

namespace pagora::book_tool {

class PendingBookFile {
 public:
  explicit PendingBookFile(std::string finalPath) : finalPath_(std::move(finalPath)) {}
  PendingBookFile(const PendingBookFile&) = delete;
  PendingBookFile& operator=(const PendingBookFile&) = delete;
  ~PendingBookFile();

  // Creates the temporary file; false with errno set.
  bool open();
  platform::File& file() { return file_; }
  // Makes it executable (0755) and renames it into place, flushing it to disk
  // first when it replaces an existing file; false with errno set, and the
  // temporary file is then removed.
  bool commit();

 private:
  std::string finalPath_;
  std::string temporaryPath_;
  platform::File file_;
  bool committed_ = false;
};

}  // namespace pagora::book_tool
