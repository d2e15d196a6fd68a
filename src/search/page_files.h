// Which stored files are pages, and reading one whole from disk.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "container/book_file_table.h"

namespace pagora::search {

// A stored file named *.htm, *.html or *.xhtml, in any case.
bool isPageName(std::string_view storedName);

// The entries of a book's file table that are pages, by index, in stored
// order, each file once: of entries that name the same file ('\\' and '/'
// alike), the last, which is the one extraction leaves on disk. Names that
// could leave the book's folder are left out.
std::vector<std::size_t> storedPageEntries(const std::vector<BookFileEntry>& entries);

// The whole file, or nothing when it cannot be opened or read (errno says
// why).
std::optional<std::string> readWholeFile(const std::string& path);

}  // namespace pagora::search
