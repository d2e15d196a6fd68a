#include "container/book_validation.h"

#include <algorithm>

#include "container/load_messages.h"
#include "container/stored_name.h"

namespace pagora {
namespace {

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return text;
}

}  // namespace

std::string_view faultMessage(BookFault fault) {
  switch (fault) {
    case BookFault::None:
      return {};
    case BookFault::SelfParseFailed:
      return load_message::kSelfParseFailed;
    case BookFault::NoFiles:
      return load_message::kNoFiles;
    case BookFault::FileCountsDiffer:
      return load_message::kFileCountsDiffer;
    case BookFault::ExtractionFailed:
      return load_message::kExtractionFailed;
    case BookFault::IndexNotFound:
      return load_message::kIndexNotFound;
  }
  return {};
}

BookFault checkContainer(ContainerReader& reader, ParsedBook& book) {
  if (!reader.parse(book.info, book.fileTable, book.trailer)) return BookFault::SelfParseFailed;
  // A count of 0 is reported as such even when the table holds records.
  if (book.info.fileCount == 0) return BookFault::NoFiles;
  if (book.info.fileCount != book.fileTable.count()) return BookFault::FileCountsDiffer;
  return BookFault::None;
}

std::string entryProblem(const BookFileEntry& entry, const ContainerTrailer& trailer, std::int64_t bookSize) {
  if (!isSafeStoredName(entry.name)) return "its name \"" + entry.name + "\" could leave the reader's folder";
  if (entry.size <= 0) return {};
  const std::int64_t start = std::int64_t{trailer.dataBase} + entry.offset;
  if (start < 0 || start + entry.size > bookSize) {
    return "its data (" + std::to_string(entry.size) + " bytes at position " + std::to_string(start) +
           ") lies outside the book's " + std::to_string(bookSize) + " bytes";
  }
  return {};
}

bool takesStartPage(const std::string& storedName, bool pageChosen) {
  const std::string lower = lowerCase(storedName);
  return lower == "index.html" || (!pageChosen && lower == "index.htm");
}

BookCheck checkBook(const std::string& path) {
  BookCheck check;
  ContainerReader reader(path);
  if (!reader.open()) {
    check.openError = reader.lastOpenError();
    check.fault = BookFault::SelfParseFailed;
    return check;
  }
  check.fault = checkContainer(reader, check.book);
  if (check.fault != BookFault::None) return check;
  const auto& entries = check.book.fileTable.entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::string problem = entryProblem(entries[i], check.book.trailer, reader.size());
    if (!problem.empty()) {
      check.fault = BookFault::ExtractionFailed;
      check.failedEntry = static_cast<int>(i);
      check.entryProblem = std::move(problem);
      return check;
    }
  }
  if (std::none_of(entries.begin(), entries.end(),
                   [](const BookFileEntry& entry) { return takesStartPage(entry.name, false); })) {
    check.fault = BookFault::IndexNotFound;
  }
  return check;
}

}  // namespace pagora
