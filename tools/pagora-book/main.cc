// pagora-book: makes books and looks inside them.
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "tool_output.h"

namespace {

constexpr char kHelp[] =
    "Usage: pagora-book COMMAND [ARGUMENTS]\n"
    "\n"
    "Makes Pagora books and looks inside them. A book is a single executable:\n"
    "a copy of the viewer with the book's files appended.\n"
    "\n"
    "Commands:\n"
    "  create SRC_DIR -o BOOK [options]   pack a folder of pages into a book\n"
    "  info BOOK                          print the book's descriptive texts\n"
    "  list BOOK                          print the size and name of each stored file\n"
    "  verify BOOK                        check the book as the viewer would\n"
    "  extract BOOK DIR                   write the stored files below DIR\n"
    "  search BOOK WORD...                print the pages that hold every WORD\n"
    "\n"
    "'pagora-book COMMAND --help' tells more about each.\n"
    "\n"
    "Exit status: 0 success, 1 a bad book or a file that could not be read or\n"
    "written, 2 a usage error. search: 0 pages found, 1 none, 2 a usage error\n"
    "or a book that cannot be read.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace pagora::book_tool;
  if (argc < 2) return usageError("", "a command is needed");
  const std::string command = argv[1];
  const Arguments rest(argv + 2, argv + argc);
  if (command == "--help" || command == "-h") {
    std::fputs(kHelp, stdout);
    return kExitSuccess;
  }
  if (command == "--version") {
    std::puts("pagora-book " PAGORA_VERSION);
    return kExitSuccess;
  }
  if (command == "create") return runCreate(rest);
  if (command == "info") return runInfo(rest);
  if (command == "list") return runList(rest);
  if (command == "verify") return runVerify(rest);
  if (command == "extract") return runExtract(rest);
  if (command == "search") return runSearch(rest);
  return usageError("", "unknown command '" + command + "'");
}
