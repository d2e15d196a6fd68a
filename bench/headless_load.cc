// pagora-load-bench: the viewer's load and clean-up without a window, for
// timing whole processes against cp, tar and unzip. A copy of it with a book
// appended (pagora-book create --viewer pagora-load-bench) loads itself as the
// viewer does (parse, private folder, every file extracted and registered,
// start page chosen) and then removes everything the way the viewer does when
// its window closes. Prints nothing when all went well; a notice is printed to
// stderr and makes the exit status 1, so a timing of a failed load is never
// taken for a real one.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/temp_file_registry.h"
#include "container/book_loader.h"
#include "platform/notice.h"

namespace {

constexpr char kHelp[] =
    "Usage: BOOK [--help] [--version]\n"
    "\n"
    "BOOK is a copy of pagora-load-bench with a book appended. It extracts the\n"
    "book into its private folder under $TMPDIR as the viewer does, removes\n"
    "every file and folder it made, and exits: 0 when the load showed no\n"
    "notice, 1 otherwise (each notice is printed on stderr).\n";

class CountingSink : public pagora::platform::NoticeSink {
 public:
  void show(const std::string& text, pagora::platform::NoticeIcon) override {
    std::fprintf(stderr, "pagora-load-bench: notice: %s\n", text.c_str());
    ++count;
  }
  int count = 0;
};

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("pagora-load-bench %s\n", PAGORA_VERSION);
      return 0;
    }
    std::fprintf(stderr, "pagora-load-bench: unknown argument '%s'\n%s", argv[i], kHelp);
    return 2;
  }
  CountingSink sink;
  pagora::platform::installNoticeSink(&sink);
  pagora::BookLoader::instance();
  pagora::TempFileRegistry::instance().removeAll();
  pagora::platform::installNoticeSink(nullptr);
  return sink.count == 0 ? 0 : 1;
}
