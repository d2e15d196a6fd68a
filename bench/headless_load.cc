// pagora-load-bench: the viewer's load and clean-up without a window, for
// timing whole processes against cp, tar and unzip. A copy of it with a book
// appended (pagora-book create --viewer pagora-load-bench) loads itself as the
// viewer does (parse, private folder, every file extracted and registered,
// start page chosen) and then removes everything the way the viewer does when
// its window closes. Prints nothing when all went well; a notice is printed to
// stderr and makes the exit status 1, so a timing of a failed load is never
// taken for a real one. With --print-peak-rss it then prints its own peak
// resident memory (VmHWM), which, unlike the rusage a parent sees, does not
// count the memory of the process it was started from.
#include <cstdio>
#include <cstring>
#include <string>

#include "session/book_session.h"

namespace {

constexpr char kHelp[] =
    "Usage: BOOK [--print-peak-rss] [--help] [--version]\n"
    "\n"
    "BOOK is a copy of pagora-load-bench with a book appended. It extracts the\n"
    "book into its private folder under $TMPDIR as the viewer does, removes\n"
    "every file and folder it made, and exits: 0 when the load showed no\n"
    "notice, 1 otherwise (each notice is printed on stderr).\n"
    "--print-peak-rss: then print \"peak-rss-kib: N\", its own peak resident memory.\n";

// VmHWM of this process in KiB, or -1.
long peakResidentKib() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) break;
  }
  std::fclose(status);
  return kib;
}

}  // namespace

int main(int argc, char** argv) {
  bool printPeakRss = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--print-peak-rss") == 0) {
      printPeakRss = true;
      continue;
    }
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
  std::size_t notices = 0;
  {
    pagora::BookSession session;
    for (const pagora::Notice& notice : session.load().notices) {
      std::fprintf(stderr, "pagora-load-bench: notice: %s\n", notice.text.c_str());
      ++notices;
    }
    session.removeAll();
  }
  if (printPeakRss) std::printf("peak-rss-kib: %ld\n", peakResidentKib());
  return notices == 0 ? 0 : 1;
}
