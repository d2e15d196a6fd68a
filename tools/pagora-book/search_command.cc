// search: the pages of a book that hold some words, found the way the
// viewer's search pane finds them, read from the book in memory.
#include <cstdio>

#include "command_line.h"
#include "commands.h"
#include "container/book_validation.h"
#include "container/container_reader.h"
#include "search/page_files.h"
#include "search/search_index.h"
#include "tool_output.h"

namespace pagora::book_tool {
namespace {

constexpr char kSearchHelp[] =
    "Usage: pagora-book search BOOK WORD...\n"
    "\n"
    "Prints the pages of BOOK that hold every WORD, best first, as the viewer's\n"
    "search pane lists them: one line per page, its stored name as 'list'\n"
    "prints it, a tab, and its title (the stored name again for a page without\n"
    "one). A page holds a word when one of its words begins with it, in any\n"
    "letter case; pages whose title holds every word come first, then those in\n"
    "which the words occur most often. Pages are read in memory: nothing is\n"
    "written.\n"
    "\n"
    "Exit status: 0 when a page matches, 1 when none does, 2 on a usage error\n"
    "or a book that cannot be read.\n";

const std::vector<OptionSpec> kOptions = {{"help", false, 'h'}, {"version", false}};

// The exit statuses of this command, which differ from the others': a book
// that cannot be read is not "nothing found".
constexpr int kNothingFound = 1;
constexpr int kCannotSearch = 2;

}  // namespace

int runSearch(const Arguments& arguments) {
  ParsedArguments parsed = parseArguments(arguments, kOptions);
  if (!parsed.error.empty()) return usageError("search", parsed.error);
  if (auto answered = answerHelpOrVersion(parsed, kSearchHelp)) return *answered;
  if (parsed.positionals.size() < 2) return usageError("search", "search takes a book and at least one word");
  const std::string& path = parsed.positionals[0];
  std::string words;
  for (std::size_t i = 1; i < parsed.positionals.size(); ++i) words += parsed.positionals[i] + " ";

  BookCheck check = checkBook(path);
  // A book without a start page still has pages to search.
  if (check.fault != BookFault::None && check.fault != BookFault::IndexNotFound) {
    reportCheckFailure(path, check);
    return kCannotSearch;
  }
  const std::vector<BookFileEntry>& entries = check.book.fileTable.entries();
  ContainerReader reader(path);
  if (!reader.open()) {
    printError(path, systemReason(reader.lastOpenError()));
    return kCannotSearch;
  }
  search::SearchIndex index;
  std::string bytes;
  for (const std::size_t entry : search::storedPageEntries(entries)) {
    if (!reader.readEntry(entries[entry], check.book.trailer, bytes)) {
      printError(path, "stored file " + printable(entries[entry].name) + ": " + systemReason());
      return kCannotSearch;
    }
    index.addPage(entries[entry].name, bytes);
  }
  index.finish();

  const std::vector<search::SearchResult> results = index.search(search::Query::parse(words), 0);
  for (const search::SearchResult& result : results) {
    std::printf("%s\t%s\n", printable(result.storedName).c_str(), printable(result.title).c_str());
  }
  return results.empty() ? kNothingFound : kExitSuccess;
}

}  // namespace pagora::book_tool
