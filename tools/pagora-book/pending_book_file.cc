#include "pending_book_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace pagora::book_tool {

PendingBookFile::~PendingBookFile() {
  file_.close();
  if (!committed_ && !temporaryPath_.empty()) ::unlink(temporaryPath_.c_str());
}

bool PendingBookFile::open() {
  const std::filesystem::path target(finalPath_);
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  // Appended piece by piece: GCC 12 at -O3 takes `"." + string` for an
  // overlapping copy (a false -Wrestrict).
  std::string hiddenName = ".";
  hiddenName += target.filename().string();
  hiddenName += ".partial-XXXXXX";
  std::string pattern = (folder / hiddenName).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int descriptor = ::mkostemp(name.data(), O_CLOEXEC);
  if (descriptor < 0) return false;
  temporaryPath_ = name.data();
  file_ = platform::File(descriptor);
  return true;
}

bool PendingBookFile::commit() {
  // A book that replaces another reaches the disk before the rename, so that
  // a crash leaves the old book or the new one, never an empty file under the
  // old name. A new book has nothing to lose, and is left to the system to
  // write when it will, as archivers do.
  struct stat existing {};
  const bool replaces = ::lstat(finalPath_.c_str(), &existing) == 0;
  bool done = ::fchmod(file_.descriptor(), 0755) == 0 && (!replaces || ::fsync(file_.descriptor()) == 0);
  int error = errno;
  file_.close();
  if (done && ::rename(temporaryPath_.c_str(), finalPath_.c_str()) == 0) {
    committed_ = true;
    return true;
  }
  if (done) error = errno;
  ::unlink(temporaryPath_.c_str());
  temporaryPath_.clear();
  errno = error;
  return false;
}

}  // namespace pagora::book_tool
