// verify: whether the viewer would open a book without complaint.
#include <cstdio>

#include "command_line.h"
#include "commands.h"
#include "container/book_validation.h"
#include "container/load_messages.h"
#include "tool_output.h"

namespace pagora::book_tool {
namespace {

constexpr char kVerifyHelp[] =
    "Usage: pagora-book verify BOOK\n"
    "\n"
    "Makes every check the viewer makes when it opens BOOK: the container's\n"
    "magic numbers and check values, a file count that is not zero and matches\n"
    "the file table, every stored name safe to write and every file's data\n"
    "inside the book, and a start page (index.html or index.htm). Exits 0 when\n"
    "all pass; otherwise prints the viewer's own message and exits 1.\n";

const std::vector<OptionSpec> kOptions = {{"help", false, 'h'}, {"version", false}};

}  // namespace

int reportCheckFailure(const std::string& path, const BookCheck& check) {
  if (check.openError != 0) {
    printError(path, systemReason(check.openError));
    return kExitFailure;
  }
  std::fprintf(stderr, "%s: %s%s\n", path.c_str(), std::string(faultMessage(check.fault)).c_str(),
               load_message::kCorruptBookLine);
  if (check.failedEntry >= 0) {
    printError(path, "stored file " + std::to_string(check.failedEntry) + ": " + printable(check.entryProblem));
  }
  if (check.fault == BookFault::IndexNotFound) {
    printError(path, "no stored file is index.html or index.htm; the reader is shown the about page instead");
  }
  return kExitFailure;
}

int runVerify(const Arguments& arguments) {
  ParsedArguments parsed = parseArguments(arguments, kOptions);
  if (!parsed.error.empty()) return usageError("verify", parsed.error);
  if (auto answered = answerHelpOrVersion(parsed, kVerifyHelp)) return *answered;
  if (parsed.positionals.size() != 1) return usageError("verify", "verify takes one book");
  const std::string& path = parsed.positionals[0];
  BookCheck check = checkBook(path);
  if (check.fault != BookFault::None) return reportCheckFailure(path, check);
  std::printf("%s: OK, %d files\n", path.c_str(), check.book.fileTable.count());
  return kExitSuccess;
}

}  // namespace pagora::book_tool
