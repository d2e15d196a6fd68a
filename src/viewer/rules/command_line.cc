#include "viewer/rules/command_line.h"

namespace pagora::viewer {
namespace {

CommandLine only(CommandLine::Action action) {
  CommandLine result;
  result.action = action;
  return result;
}

CommandLine refused(std::string error) {
  CommandLine result = only(CommandLine::Action::Refuse);
  result.error = std::move(error);
  return result;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine result;
  bool optionsEnded = false;
  for (const std::string& argument : arguments) {
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && (argument == "--help" || argument == "-h")) {
      return only(CommandLine::Action::ShowHelp);
    }
    if (!optionsEnded && argument == "--version") {
      return only(CommandLine::Action::ShowVersion);
    }
    if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
      return refused("unknown option \"" + argument + "\"");
    }
    if (!result.document.empty()) {
      return refused("more than one document named (\"" + result.document + "\", \"" +
                                  argument + "\")");
    }
    if (argument.empty()) {
      return refused("an empty document name");
    }
    result.document = argument;
  }
  return result;
}

std::string usageText(const std::string& program) {
  return "Usage: " + program + " [DOCUMENT]\n"
         "Shows the e-book appended to this program in a window. Only one book can be\n"
         "open at a time; a second start brings the open book's window to the front.\n"
         "Every file the book extracts is removed when its window closes. Where each\n"
         "book was left is kept in $XDG_STATE_HOME/pagora/ (~/.local/state/pagora/);\n"
         "with PAGORA_NO_STATE=1 nothing is remembered.\n"
         "\n"
         "  DOCUMENT     a file that must be readable; nothing is read from it\n"
         "  -h, --help   show this help and exit\n"
         "  --version    show the version and exit\n"
         "\n"
         "Exit status: 0 once the window has closed; 1 when the book could not be\n"
         "shown (another book is open, no display, DOCUMENT cannot be opened);\n"
         "2 for a command line it does not understand.\n";
}

}  // namespace pagora::viewer
