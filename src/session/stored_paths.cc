#include "session/stored_paths.h"

#include <unordered_set>

#include "container/stored_name.h"
#include "session/private_folder.h"

namespace pagora {

StoredPaths::StoredPaths(const BookFileTable& table) {
  const auto& entries = table.entries();
  paths_.reserve(entries.size());
  for (const BookFileEntry& entry : entries) paths_.push_back(storedNameToRelativePath(entry.name));
  nextSame_.assign(entries.size(), -1);
  first_.reserve(entries.size());
  // From the back, so that each path ends up at its first entry with the
  // later ones chained behind it.
  for (int i = count() - 1; i >= 0; --i) {
    auto [where, inserted] = first_.try_emplace(pathOf(i), i);
    if (!inserted) {
      nextSame_[static_cast<std::size_t>(i)] = where->second;
      where->second = i;
    }
  }
}

std::vector<int> StoredPaths::entriesAt(std::string_view relativePath) const {
  std::vector<int> entries;
  const auto found = first_.find(relativePath);
  if (found == first_.end()) return entries;
  for (int i = found->second; i >= 0; i = nextSame_[static_cast<std::size_t>(i)]) entries.push_back(i);
  return entries;
}

bool StoredPaths::sharesPath(int index) const {
  return nextSame_[static_cast<std::size_t>(index)] >= 0 || first_.at(pathOf(index)) != index;
}

int firstUnwritableEntry(const ParsedBook& book, const StoredPaths& paths, std::int64_t bookSize,
                         const std::string& folderPath) {
  std::unordered_set<std::string_view> files;
  std::unordered_set<std::string_view> folders;
  files.reserve(static_cast<std::size_t>(paths.count()));
  std::string_view lastFolder;
  bool lastFolderChecked = false;
  for (int i = 0; i < paths.count(); ++i) {
    const BookFileEntry& entry = book.fileTable.entryAt(i);
    const std::string& path = paths.pathOf(i);
    if (!entryProblem(entry, book.trailer, bookSize).empty() || !fitsSystemPathLimit(folderPath, path)) return i;
    if (folders.count(path) != 0) return i;
    const std::size_t slash = path.rfind('/');
    const std::string_view folder = std::string_view(path).substr(0, slash == std::string::npos ? 0 : slash);
    // Names come sorted, so files of one folder come together; a file made
    // since its folder was checked lies in it and cannot be one of its folders.
    if (!lastFolderChecked || folder != lastFolder) {
      for (std::size_t end = folder.find('/'); ; end = folder.find('/', end + 1)) {
        const std::string_view outer = folder.substr(0, end);
        if (outer.empty()) break;
        if (files.count(outer) != 0) return i;
        folders.insert(outer);
        if (end == std::string_view::npos) break;
      }
      lastFolder = folder;
      lastFolderChecked = true;
    }
    files.insert(path);
  }
  return -1;
}

}  // namespace pagora
