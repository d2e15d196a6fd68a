#include "container/book_check.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "container/container_reader.h"
#include "container/load_messages.h"
#include "container/stored_name.h"

namespace pagora {
namespace {

// Why the load could not extract this entry, or empty when it could.
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

}  // namespace

bool isStartPageName(const std::string& storedName) {
  std::string lower = storedName;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower == "index.html" || lower == "index.htm";
}

BookCheck checkBook(const std::string& path) {
  BookCheck check;
  ContainerReader reader(path);
  if (!reader.open()) {
    check.openError = reader.lastOpenError();
    check.failure = load_message::kSelfParseFailed;
    return check;
  }
  struct stat st {};
  if (!reader.parse(check.info, check.fileTable, check.trailer) || ::stat(path.c_str(), &st) != 0) {
    check.failure = load_message::kSelfParseFailed;
    return check;
  }
  if (check.info.fileCount == 0) {
    check.failure = load_message::kNoFiles;
    return check;
  }
  if (check.info.fileCount != check.fileTable.count()) {
    check.failure = load_message::kFileCountsDiffer;
    return check;
  }
  const auto& entries = check.fileTable.entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::string problem = entryProblem(entries[i], check.trailer, static_cast<std::int64_t>(st.st_size));
    if (!problem.empty()) {
      check.failure = load_message::kExtractionFailed;
      check.failedEntry = static_cast<int>(i);
      check.entryProblem = std::move(problem);
      return check;
    }
  }
  if (std::none_of(entries.begin(), entries.end(),
                   [](const BookFileEntry& entry) { return isStartPageName(entry.name); })) {
    check.failure = load_message::kIndexNotFound;
  }
  return check;
}

}  // namespace pagora
