#include "session/book_pages.h"

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
    // The file may still be being written behind the first page: a
    // navigation to it waits until it is there.
    if (entry.name == storedName) return folder + storedNameToRelativePath(storedName);
  }
  return {};
}

}  // namespace pagora
