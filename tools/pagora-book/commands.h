// The subcommands of pagora-book. Each takes the arguments after its own
// name and returns the process's exit status (see tool_output.h).
#pragma once

#include <string>
#include <vector>

#include "container/book_validation.h"

namespace pagora::book_tool {

using Arguments = std::vector<std::string>;

int runCreate(const Arguments& arguments);
int runInfo(const Arguments& arguments);
int runList(const Arguments& arguments);
int runVerify(const Arguments& arguments);
int runExtract(const Arguments& arguments);
int runSearch(const Arguments& arguments);

// Prints why a book failed its check (the viewer's message, prefixed by the
// book's path) and returns the exit status for it.
int reportCheckFailure(const std::string& path, const BookCheck& check);

}  // namespace pagora::book_tool
