// The viewer's command line: --help, --version and at most one document name.
// A document is opened for reading and nothing is read from it; the book shown
// is always the one appended to the executable.
#pragma once

#include <cstring>
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

// What a command line asks for, decided without allocating: the launcher,
// which links nothing but the C library, answers --help and --version with
// it exactly where parseCommandLine would.
struct CommandLineShape {
  enum class Fault { None, UnknownOption, SecondDocument, EmptyDocument };
  CommandLine::Action action = CommandLine::Action::Run;
  Fault fault = Fault::None;
  int document = -1;   // the index of the document named, or -1
  int offending = -1;  // the index of the argument refused, or -1
};

inline CommandLineShape scanCommandLine(int count, const char* const* arguments) {
  CommandLineShape shape;
  bool optionsEnded = false;
  const auto refuse = [&shape](CommandLineShape::Fault fault, int index) {
    shape.action = CommandLine::Action::Refuse;
    shape.fault = fault;
    shape.offending = index;
    return shape;
  };
  for (int index = 0; index < count; ++index) {
    const char* argument = arguments[index];
    if (!optionsEnded && std::strcmp(argument, "--") == 0) {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0)) {
      return CommandLineShape{CommandLine::Action::ShowHelp};
    }
    if (!optionsEnded && std::strcmp(argument, "--version") == 0) {
      return CommandLineShape{CommandLine::Action::ShowVersion};
    }
    if (!optionsEnded && argument[0] == '-' && argument[1] != '\0') {
      return refuse(CommandLineShape::Fault::UnknownOption, index);
    }
    if (shape.document >= 0) return refuse(CommandLineShape::Fault::SecondDocument, index);
    if (argument[0] == '\0') return refuse(CommandLineShape::Fault::EmptyDocument, index);
    shape.document = index;
  }
  return shape;
}

// The --help text is "Usage: <program>" followed by this; `program` is the
// name the viewer was started as.
inline constexpr const char* kUsageAfterProgram =
    " [DOCUMENT]\n"
    "Shows the e-book appended to this program in a window. Only one book can be\n"
    "open at a time; a second start brings the open book's window to the front.\n"
    "Every file the book extracts is removed when its window closes.\n"
    "\n"
    "  DOCUMENT     a file that must be readable; nothing is read from it\n"
    "  -h, --help   show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "Exit status: 0 once the window has closed; 1 when the book could not be\n"
    "shown (another book is open, no display, DOCUMENT cannot be opened, the\n"
    "web engine is not installed); 2 for a command line it does not understand.\n";

std::string usageText(const std::string& program);

}  // namespace pagora::viewer
