// Whether the viewer can use a book, decided once for the load and for the
// authoring tool's verify: the container (trailer, header, string list, file
// table), the declared file count, each entry's name and data, a start page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "container/book_file_table.h"
#include "container/book_info.h"
#include "container/container_reader.h"
#include "container/container_trailer.h"

namespace pagora {

// The first check a book fails, named by what the reader is told.
enum class BookFault {
  None,
  SelfParseFailed,   // the container cannot be read or does not verify
  NoFiles,           // the header declares no file
  FileCountsDiffer,  // the header and the file table disagree
  ExtractionFailed,  // a stored file cannot be written (or, for verify, could not be)
  IndexNotFound,     // no stored file is a start page
};

// The reader's message for `fault` (see load_messages.h); empty for None.
std::string_view faultMessage(BookFault fault);

// A book's three records as read.
struct ParsedBook {
  BookInfo info;
  BookFileTable fileTable;
  ContainerTrailer trailer;
};

// Parses the container and checks the declared file count against the table:
// every check the load makes before it writes anything. The records keep
// what was read, also when a check fails.
BookFault checkContainer(ContainerReader& reader, ParsedBook& book);

// Why the entry cannot be written below a folder (a name that could leave
// it, data outside the book's `bookSize` bytes), in words; empty when it can.
std::string entryProblem(const BookFileEntry& entry, const ContainerTrailer& trailer, std::int64_t bookSize);

// Whether the stored name `storedName` becomes the start page, given whether
// one was chosen before: "index.html" in any letter case always does (so the
// last one wins), "index.htm" only while none was chosen (so the first one wins).
bool takesStartPage(const std::string& storedName, bool pageChosen);

// What `pagora-book verify` reports: every check, nothing written.
struct BookCheck {
  ParsedBook book;
  BookFault fault = BookFault::None;
  // The system's reason when the book could not be opened at all, else 0.
  int openError = 0;
  // The entry that failed, or -1, and why, in words.
  int failedEntry = -1;
  std::string entryProblem;
};

BookCheck checkBook(const std::string& path);

}  // namespace pagora
