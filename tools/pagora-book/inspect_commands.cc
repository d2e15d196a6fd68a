// info and list: what a book holds, read the way the viewer reads it.
#include <cstdio>

#include "command_line.h"
#include "commands.h"
#include "container/book_validation.h"
#include "container/container_reader.h"
#include "container/load_messages.h"
#include "tool_output.h"

namespace pagora::book_tool {
namespace {

constexpr char kInfoHelp[] =
    "Usage: pagora-book info BOOK\n"
    "\n"
    "Prints the book's header, one 'field: value' line per field, in the order\n"
    "in which the book stores them. Control characters in texts are escaped.\n";

constexpr char kListHelp[] =
    "Usage: pagora-book list BOOK\n"
    "\n"
    "Prints one line per stored file, in stored order: its size in bytes, a\n"
    "tab, and its stored name ('\\' between folders).\n";

const std::vector<OptionSpec> kOptions = {{"help", false, 'h'}, {"version", false}};

// Reads the book named by the one argument, or prints why not.
std::optional<ParsedBook> readBook(const char* command, const char* help, const Arguments& arguments,
                                   int& status) {
  ParsedArguments parsed = parseArguments(arguments, kOptions);
  if (!parsed.error.empty()) {
    status = usageError(command, parsed.error);
    return std::nullopt;
  }
  if (auto answered = answerHelpOrVersion(parsed, help)) {
    status = *answered;
    return std::nullopt;
  }
  if (parsed.positionals.size() != 1) {
    status = usageError(command, std::string(command) + " takes one book");
    return std::nullopt;
  }
  const std::string& path = parsed.positionals[0];
  ContainerReader reader(path);
  ParsedBook book;
  status = kExitFailure;
  if (!reader.open()) {
    printError(path, systemReason(reader.lastOpenError()));
    return std::nullopt;
  }
  if (!reader.parse(book.info, book.fileTable, book.trailer)) {
    std::fprintf(stderr, "%s: %s%s\n", path.c_str(), load_message::kSelfParseFailed, load_message::kCorruptBookLine);
    return std::nullopt;
  }
  status = kExitSuccess;
  return book;
}

void printText(const char* field, const std::string& value) {
  std::printf("%s: %s\n", field, printable(value).c_str());
}

void printNumber(const char* field, std::int32_t value) { std::printf("%s: %d\n", field, value); }

}  // namespace

int runInfo(const Arguments& arguments) {
  int status = kExitSuccess;
  std::optional<ParsedBook> book = readBook("info", kInfoHelp, arguments, status);
  if (!book) return status;
  const BookInfo& info = book->info;
  printText("reservedText1", info.reservedText1);
  printNumber("reservedWord1", info.reservedWord1);
  printNumber("reservedWord2", info.reservedWord2);
  printText("esbn", info.esbn);
  printText("title", info.title);
  printText("author", info.author);
  printText("authorEmail", info.authorEmail);
  printText("webAddress", info.webAddress);
  printText("publisher", info.publisher);
  printText("contentsNotice", info.contentsNotice);
  printNumber("printAllowed", info.printAllowed);
  printNumber("reservedWord3", info.reservedWord3);
  printText("reservedText2", info.reservedText2);
  printText("reservedText3", info.reservedText3);
  printNumber("fileCount", info.fileCount);
  return kExitSuccess;
}

int runList(const Arguments& arguments) {
  int status = kExitSuccess;
  std::optional<ParsedBook> book = readBook("list", kListHelp, arguments, status);
  if (!book) return status;
  for (const BookFileEntry& entry : book->fileTable.entries()) {
    std::printf("%d\t%s\n", entry.size, printable(entry.name).c_str());
  }
  return kExitSuccess;
}

}  // namespace pagora::book_tool
