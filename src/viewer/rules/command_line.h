// The viewer's command line: --help, --version and at most one document name.
// A document is opened for reading and nothing is read from it; the book shown
// is always the one appended to the executable.
#pragma once

#include <string>
#include <vector>

namespace pagora::viewer {

struct CommandLine {
  enum class Action { Run, ShowHelp, ShowVersion, Refuse };
  Action action = Action::Run;
  std::string document;  // empty when none was named
  std::string error;     // why the command line was refused
};

// `arguments` excludes the program name. "--" ends the options, so a document
// whose name starts with '-' can still be named.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The --help text; `program` is the name the viewer was started as.
std::string usageText(const std::string& program);

}  // namespace pagora::viewer
