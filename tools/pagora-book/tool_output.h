// How pagora-book talks back: exit statuses, and errors and warnings on
// stderr that name the file concerned and the reason.
#pragma once

#include <optional>
#include <string>

#include "command_line.h"

namespace pagora::book_tool {

enum ExitStatus : int {
  kExitSuccess = 0,
  kExitFailure = 1,  // a bad book, or a file that could not be read or written
  kExitUsage = 2,
};

// "pagora-book: PATH: REASON"; no path part when `path` is empty.
void printError(const std::string& path, const std::string& reason);
void printWarning(const std::string& message);
// Prints the problem and a pointer to the command's help; returns kExitUsage.
int usageError(const std::string& command, const std::string& problem);
// Prints the help or the version when asked for, and returns the status.
std::optional<int> answerHelpOrVersion(const ParsedArguments& parsed, const char* help);

// The reason errno currently gives.
std::string systemReason();
// The system's reason for the error number.
std::string systemReason(int error);

// The text with control characters written as escapes (\n, \t, \x01), so
// that one value stays on one line.
std::string printable(const std::string& text);

}  // namespace pagora::book_tool
