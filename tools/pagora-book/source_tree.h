// Collects the files below an author's folder as the files of a book.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "container/container_writer.h"

namespace pagora::book_tool {

struct SourceTree {
  // Sorted by stored name (byte order), so the same tree gives the same book.
  std::vector<BookSource> files;
  // Links and special files that were left out, one sentence each.
  std::vector<std::string> warnings;
  // Set when the tree cannot be packed; `files` is then incomplete.
  std::optional<BookWriteError> error;
};

struct SourceTreeOptions {
  // Store what links leading outside the root lead to, as `cp -L` and
  // `tar -h` do; without it they are left out with a warning.
  bool dereference = false;
  // Names left out, with their folders' files: shell patterns (tar's rules,
  // where '*' also matches '/') matched against the stored name spelt with
  // '/', anchored at any folder, so "_sources" leaves out every folder of
  // that name and "*.py" every such file.
  std::vector<std::string> excludes = {};
  // At most this many folders stay open for the writer (see below); none
  // given: a quarter of the descriptor limit.
  std::optional<std::size_t> heldFolders = std::nullopt;
};

// Every file below `root`; stored names are relative paths with '\\' between
// folders. A symbolic link to a file or folder inside `root` (anywhere, with
// `dereference`) is stored as a copy of its target (a folder's files under
// the link's name); a broken link, one leading outside `root`, one leading
// back into a folder it lies in, and anything that is not a file or folder
// are left out with a warning. A name that cannot be stored safely (one
// holding '\\', which the reader would take as a folder separator) or an
// unreadable folder is an error.
// Files carry their open folder (BookSource::folder) for the writer to open
// them by name there, which keeps the folder open as long as they live; once
// `heldFolders` folders are held so, the files of further folders carry only
// their paths.
SourceTree collectSourceTree(const std::string& root, const SourceTreeOptions& options = {});

// Whether the stored name (spelt with '/') is left out by `pattern`.
bool excludedBy(const std::string& pattern, const std::string& relativePath);

}  // namespace pagora::book_tool
