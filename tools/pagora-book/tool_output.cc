#include "tool_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pagora::book_tool {

void printError(const std::string& path, const std::string& reason) {
  if (path.empty()) {
    std::fprintf(stderr, "pagora-book: %s\n", reason.c_str());
  } else {
    std::fprintf(stderr, "pagora-book: %s: %s\n", path.c_str(), reason.c_str());
  }
}

void printWarning(const std::string& message) { std::fprintf(stderr, "pagora-book: warning: %s\n", message.c_str()); }

int usageError(const std::string& command, const std::string& problem) {
  std::string helpCommand = command.empty() ? "pagora-book --help" : "pagora-book " + command + " --help";
  std::fprintf(stderr, "pagora-book: %s\nTry '%s'.\n", problem.c_str(), helpCommand.c_str());
  return kExitUsage;
}

std::optional<int> answerHelpOrVersion(const ParsedArguments& parsed, const char* help) {
  if (parsed.has("help")) {
    std::fputs(help, stdout);
    return kExitSuccess;
  }
  if (parsed.has("version")) {
    std::puts("pagora-book " PAGORA_VERSION);
    return kExitSuccess;
  }
  return std::nullopt;
}

std::string systemReason() { return systemReason(errno); }

std::string systemReason(int error) { return std::strerror(error); }

std::string printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escaped[5];
          std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

}  // namespace pagora::book_tool
