// Checks a book the way the viewer's load does, without writing anything:
// the parse, the declared file count, each entry's name and data, and a start
// page. The authoring tool's verify and extract commands stand on it.
#pragma once

#include <optional>
#include <string>

#include "container/book_file_table.h"
#include "container/book_info.h"
#include "container/container_trailer.h"

namespace pagora {

struct BookCheck {
  BookInfo info;
  BookFileTable fileTable;
  ContainerTrailer trailer;
  // The load's message for the first check that failed (see load_messages.h);
  // absent when the viewer would open the book without complaint.
  std::optional<std::string> failure;
  // The system's reason when the book could not be opened at all, else 0.
  int openError = 0;
  // The entry that failed, or -1.
  int failedEntry = -1;
  // Why that entry failed, in words.
  std::string entryProblem;
};

BookCheck checkBook(const std::string& path);

// Whether the load would take this stored name as a start page.
bool isStartPageName(const std::string& storedName);

}  // namespace pagora
