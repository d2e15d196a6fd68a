// The `pagora` program, which every book is a copy of. It answers --help and
// --version itself, then loads the viewer it carries and hands over to it.
// When the viewer cannot be loaded (this machine lacks the web engine) it
// tells the reader what to install, on standard error and in a window, and
// exits with status 1 having written nothing.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "viewer/app/launcher/embedded_viewer.h"
#include "viewer/app/launcher/engine_message.h"
#include "viewer/app/launcher/message_window.h"
#include "viewer/rules/command_line.h"

namespace {

const char* programName(const char* argv0) {
  if (argv0 == nullptr || argv0[0] == '\0') return "pagora";
  const char* slash = std::strrchr(argv0, '/');
  return slash != nullptr && slash[1] != '\0' ? slash + 1 : argv0;
}

// The book's own file, as the reader would find it.
void bookPath(const char* argv0, char* out, std::size_t size) {
  const ssize_t length = ::readlink("/proc/self/exe", out, size - 1);
  if (length > 0) {
    out[length] = '\0';
  } else {
    std::snprintf(out, size, "%s", argv0 != nullptr ? argv0 : "pagora");
  }
}

}  // namespace

int main(int argc, char** argv) {
  using pagora::viewer::CommandLine;
  const char* program = programName(argc > 0 ? argv[0] : nullptr);
  const pagora::viewer::CommandLineShape shape =
      pagora::viewer::scanCommandLine(argc > 0 ? argc - 1 : 0, argc > 0 ? argv + 1 : argv);
  if (shape.action == CommandLine::Action::ShowHelp) {
    std::printf("Usage: %s%s", program, pagora::viewer::kUsageAfterProgram);
    return 0;
  }
  if (shape.action == CommandLine::Action::ShowVersion) {
    std::printf("%s %s\n", program, PAGORA_VERSION);
    return 0;
  }

  char reason[1024];
  const pagora::launcher::ViewerMain viewer = pagora::launcher::loadEmbeddedViewer(reason, sizeof reason);
  if (viewer != nullptr) return viewer(argc, argv);

  char book[PATH_MAX];
  bookPath(argc > 0 ? argv[0] : nullptr, book, sizeof book);
  char message[4096];
  pagora::launcher::composeEngineMessage(book, reason, message, sizeof message);
  std::fprintf(stderr, "%s: %s\n", program, message);
  pagora::launcher::showMessageWindow("pagora", message);
  return 1;
}
