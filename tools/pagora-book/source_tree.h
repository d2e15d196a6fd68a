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

// Every file below `root`; stored names are relative paths with '\\' between
// folders. A symbolic link to a file or folder inside `root` is stored as a
// copy of its target (a folder's files under the link's name); a broken link,
// one leading outside `root`, one leading back into a folder it lies in, and
// anything that is not a file or folder are left out with a warning. A name
// that cannot be stored safely (one holding '\\', which the reader would take
// as a folder separator) or an unreadable folder is an error.
// Files carry their open folder (BookSource::folder) for the writer to open
// them by name there, which keeps the folder open as long as they live; once
// a quarter of the descriptor limit of folders is held so, the files of
// further folders carry only their paths.
SourceTree collectSourceTree(const std::string& root);
// The same with the files of at most `heldFolders` folders carrying them.
SourceTree collectSourceTree(const std::string& root, std::size_t heldFolders);

}  // namespace pagora::book_tool
