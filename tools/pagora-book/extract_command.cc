// extract: writes a book's stored files into a folder, under the same safety
// rules as the viewer: no name may leave the folder, and nothing is written
// through a symbolic link.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "command_line.h"
#include "commands.h"
#include "container/book_check.h"
#include "container/container_reader.h"
#include "container/load_messages.h"
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

class Extraction {
 public:
  Extraction(const std::string& bookPath, const BookCheck& check, platform::Directory& folder)
      : reader_(bookPath), check_(check), folder_(folder), umask_(currentUmask()) {}

  // Writes every entry; prints the first failure and returns false.
  bool run() {
    const BookFileTable& table = check_.fileTable;
    for (int i = 0; i < table.count(); ++i) {
      const std::string relative = storedNameToRelativePath(table.entryAt(i).name);
      for (const std::string& parent : parentFoldersOf(table.entryAt(i).name)) {
        if (!ensureFolder(parent.substr(0, parent.size() - 1))) return false;
      }
      if (!reader_.extractFile(table, i, check_.trailer, folder_)) {
        return fail(relative, systemReason());
      }
      // Written private (0600) like the viewer's files; the author gets the usual mode.
      ::fchmodat(folder_.descriptor(), relative.c_str(), 0666 & ~umask_, 0);
    }
    return true;
  }

 private:
  bool ensureFolder(const std::string& relative) {
    if (made_.count(relative) != 0) return true;
    struct stat st {};
    if (::fstatat(folder_.descriptor(), relative.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      if (!S_ISDIR(st.st_mode)) return fail(relative, "is in the way of a folder the book needs (not a folder)");
    } else if (errno != ENOENT || !folder_.makeFolder(relative)) {
      return fail(relative, systemReason());
    } else {
      ::fchmodat(folder_.descriptor(), relative.c_str(), 0777 & ~umask_, 0);
    }
    made_.insert(relative);
    return true;
  }

  bool fail(const std::string& relative, const std::string& reason) {
    printError((std::filesystem::path(folder_.path()) / relative).string(), reason);
    return false;
  }

  ContainerReader reader_;
  const BookCheck& check_;
  platform::Directory& folder_;
  mode_t umask_;
  std::set<std::string> made_;
};

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
  if (check.failure && *check.failure != load_message::kIndexNotFound) return reportCheckFailure(bookPath, check);

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
  Extraction extraction(bookPath, check, folder);
  return extraction.run() ? kExitSuccess : kExitFailure;
}

}  // namespace pagora::book_tool
