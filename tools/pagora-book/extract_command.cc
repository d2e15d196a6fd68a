// extract: writes a book's stored files into a folder, under the same safety
// rules as the viewer: no name may leave the folder, and nothing is written
// through a symbolic link.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "command_line.h"
#include "commands.h"
#include "container/book_extractor.h"
#include "container/book_validation.h"
#include "container/container_reader.h"
#include "container/stored_name.h"
#include "platform/directory.h"
#include "tool_output.h"

namespace pagora::book_tool {

namespace {

constexpr char kExtractHelp[] =
    "Usage: pagora-book extract BOOK DIR\n"
    "\n"
    "Writes every file stored in BOOK below DIR (made if missing), making\n"
    "folders as needed. Refuses a book the viewer would refuse, a stored name\n"
    "that would leave DIR, and a path inside DIR that is a symbolic link.\n"
    "Existing files of the same names are replaced.\n";

const std::vector<OptionSpec> kOptions = {{"help", false, 'h'}, {"version", false}};

mode_t currentUmask() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// Writes every entry through the viewer's own extraction; prints the first
// failure and returns false. Files and folders are made private like the
// viewer's, then given the author's usual modes.
bool extractAll(const std::string& bookPath, const ParsedBook& book, const platform::Directory& folder) {
  const mode_t umask = currentUmask();
  ContainerReader reader(bookPath);
  BookExtractor extractor(reader, book, folder,
                          [umask](const std::string& made) { ::chmod(made.c_str(), 0777 & ~umask); });
  for (int i = 0; i < book.fileTable.count(); ++i) {
    if (!extractor.extract(i)) {
      std::string failed = extractor.failedPath();
      const bool isFolder = !failed.empty() && failed.back() == '/';
      const std::string reason = isFolder && (errno == ENOTDIR || errno == ELOOP)
                                     ? "is in the way of a folder the book needs (not a folder)"
                                     : systemReason();
      if (isFolder) failed.pop_back();
      printError((std::filesystem::path(folder.path()) / failed).string(), reason);
      return false;
    }
    const std::string relative = storedNameToRelativePath(book.fileTable.entryAt(i).name);
    ::fchmodat(folder.descriptor(), relative.c_str(), 0666 & ~umask, 0);
  }
  return true;
}

}  // namespace

int runExtract(const Arguments& arguments) {
  ParsedArguments parsed = parseArguments(arguments, kOptions);
  if (!parsed.error.empty()) return usageError("extract", parsed.error);
  if (auto answered = answerHelpOrVersion(parsed, kExtractHelp)) return *answered;
  if (parsed.positionals.size() != 2) return usageError("extract", "extract takes a book and a folder");
  const std::string& bookPath = parsed.positionals[0];
  const std::string& folderPath = parsed.positionals[1];

  BookCheck check = checkBook(bookPath);
  // A book without a start page still holds files worth extracting.
  if (check.fault != BookFault::None && check.fault != BookFault::IndexNotFound) {
    return reportCheckFailure(bookPath, check);
  }

  std::error_code error;
  std::filesystem::create_directories(folderPath, error);
  if (error) {
    printError(folderPath, error.message());
    return kExitFailure;
  }
  platform::Directory folder = platform::Directory::open(folderPath);
  if (!folder.isOpen()) {
    printError(folderPath, systemReason());
    return kExitFailure;
  }
  return extractAll(bookPath, check.book, folder) ? kExitSuccess : kExitFailure;
}

}  // namespace pagora::book_tool
