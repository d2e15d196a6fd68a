// Runs the real pagora-book binary and collects what it said.
#pragma once

#include <string>
#include <vector>

namespace pagora::testing {

struct ToolRun {
  int status = -1;  // exit status; -1 if it did not exit normally
  std::string out;
  std::string err;
};

// Runs `program` (default: the built pagora-book) with `arguments`; its
// output goes through files in a scratch folder, so any amount is fine.
ToolRun runTool(const std::vector<std::string>& arguments, const std::string& program = PAGORA_BOOK_BINARY);

// Lines of `text`, without their line ends.
std::vector<std::string> linesOf(const std::string& text);

}  // namespace pagora::testing
