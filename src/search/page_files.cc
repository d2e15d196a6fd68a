#include "search/page_files.h"

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <unordered_map>

#include "container/stored_name.h"
#include "platform/file.h"

namespace pagora::search {

bool isPageName(std::string_view storedName) {
  for (const std::string_view extension : {".htm", ".html", ".xhtml"}) {
    if (storedName.size() >= extension.size() &&
        g_ascii_strncasecmp(storedName.data() + storedName.size() - extension.size(), extension.data(),
                            extension.size()) == 0) {
      return true;
    }
  }
  return false;
}

std::vector<std::size_t> storedPageEntries(const std::vector<BookFileEntry>& entries) {
  std::unordered_map<std::string, std::size_t> lastOfPath;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string& name = entries[i].name;
    if (isPageName(name) && isSafeStoredName(name)) lastOfPath[storedNameToRelativePath(name)] = i;
  }
  std::vector<std::size_t> pages;
  pages.reserve(lastOfPath.size());
  for (const auto& [path, index] : lastOfPath) pages.push_back(index);
  std::sort(pages.begin(), pages.end());
  return pages;
}

std::optional<std::string> readWholeFile(const std::string& path) {
  platform::File file = platform::File::openForReading(path);
  if (!file.isOpen()) return std::nullopt;
  const std::int64_t size = file.size();
  if (size < 0) return std::nullopt;
  // The size may change while reading; read until the end, whatever it is.
  std::string bytes(static_cast<std::size_t>(size) + 1, '\0');
  std::size_t filled = 0;
  for (;;) {
    const std::int64_t got = file.read(bytes.data() + filled, bytes.size() - filled);
    if (got < 0) return std::nullopt;
    filled += static_cast<std::size_t>(got);
    if (filled < bytes.size()) break;
    bytes.resize(bytes.size() * 2);
  }
  bytes.resize(filled);
  return bytes;
}

}  // namespace pagora::search
