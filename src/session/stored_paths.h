// StoredPaths: a book's stored files by the path each is written to below
// the private folder, and the check, made before anything is written, that
// every one of them can be: so that the load may write them in any order and
// still say what is wrong with a book before any window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "container/book_validation.h"

namespace pagora {

class StoredPaths {
 public:
  explicit StoredPaths(const BookFileTable& table);
  StoredPaths(const StoredPaths&) = delete;
  StoredPaths& operator=(const StoredPaths&) = delete;

  int count() const { return static_cast<int>(paths_.size()); }
  // The path entry `index` is written to, relative, with '/' between folders.
  const std::string& pathOf(int index) const { return paths_[static_cast<std::size_t>(index)]; }
  // The entries written to `relativePath`, in stored order (each replaces
  // what the one before wrote); empty when none is.
  std::vector<int> entriesAt(std::string_view relativePath) const;
  // Whether another entry is written to the same path as entry `index`.
  bool sharesPath(int index) const;

 private:
  std::vector<std::string> paths_;
  std::unordered_map<std::string_view, int> first_;  // views into paths_
  std::vector<int> nextSame_;                        // the next entry at the same path, or -1
};

// The first entry, in stored order, that writing every entry in stored order
// below the folder `folderPath` would fail on for the book's own sake: a name
// that could leave the folder or that the system would not take whole there,
// data outside the book's `bookSize` bytes, a path an earlier entry made a
// folder of, or a folder where an earlier entry wrote a file. -1 when there
// is none; what the disk does (it fills up, something stands in the way) is
// only found by writing.
int firstUnwritableEntry(const ParsedBook& book, const StoredPaths& paths, std::int64_t bookSize,
                         const std::string& folderPath);

}  // namespace pagora
