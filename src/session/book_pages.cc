#include "session/book_pages.h"

#include <sys/stat.h>

#include "container/stored_name.h"

namespace pagora {

std::string storedNameAt(const BookSession& session, const std::string& path) {
  const std::string& folder = session.privateFolderPath();
  if (folder.empty() || path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) return {};
  const std::string relative = path.substr(folder.size());
  for (const BookFileEntry& entry : session.book().fileTable.entries()) {
    if (isSafeStoredName(entry.name) && storedNameToRelativePath(entry.name) == relative) return entry.name;
  }
  return {};
}

std::string pathOfStoredFile(const BookSession& session, const std::string& storedName) {
  const std::string& folder = session.privateFolderPath();
  if (folder.empty() || !isSafeStoredName(storedName)) return {};
  for (const BookFileEntry& entry : session.book().fileTable.entries()) {
    if (entry.name != storedName) continue;
    const std::string path = folder + storedNameToRelativePath(storedName);
    // A file after a failed extraction was never written.
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) ? path : std::string();
  }
  return {};
}

}  // namespace pagora
