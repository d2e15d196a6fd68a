// pagora-load-probe: a viewer without a window. A copy with a book appended
// loads itself as the viewer does, through a BookSession on the running
// executable and $TMPDIR, and prints one line per fact (see load_probe_run.h):
//
//   notice: <icon> <text>          each notice of the load, in order
//   late-notice: <icon> <text>     with --behind: a file written behind the
//                                  load failed
//   title: / printAllowed: / startPagePath: / private-folder: <text>
//   registered-file: <path>        in removal order
//   registered-folder: <path>      in the order made
//   dump: <contents>               for each --dump NAME, the file NAME in the
//                                  private folder
//   cwd-before: / cwd-after: <path>
//   left: <path>                   at the end, everything under the
//                                  temporary directory, relative to it
//
// Texts are escaped: backslash, \n, \r, \t, and \xHH for other control and
// non-ASCII bytes. With --keep the session is never ended, as when a viewer
// is killed: nothing is removed, unless --watch started a crash watcher.
// With --behind the load writes the start page and what it refers to, and
// the rest is written on the session's own thread, as the viewer does; the
// probe waits until that has ended.
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/temp_directory.h"
#include "session/book_session.h"
#include "support/scratch_folder.h"

namespace {

std::string escaped(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", c);
          out += hex;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

void report(const char* key, const std::string& value) { std::printf("%s: %s\n", key, escaped(value).c_str()); }

const char* iconName(pagora::NoticeIcon icon) {
  switch (icon) {
    case pagora::NoticeIcon::Warning: return "warning";
    case pagora::NoticeIcon::Information: return "information";
    case pagora::NoticeIcon::Error: return "error";
  }
  return "?";
}

std::string currentDirectory() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

std::string dumped(const std::string& path) {
  try {
    return pagora::testing::readFile(path);
  } catch (const std::exception& error) {
    return std::string("(") + error.what() + ")";
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool keep = false;
  bool watch = false;
  bool behind = false;
  std::vector<std::string> dumps;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--keep") {
      keep = true;
    } else if (arg == "--watch") {
      watch = true;
    } else if (arg == "--behind") {
      behind = true;
    } else if (arg == "--dump" && i + 1 < argc) {
      dumps.push_back(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: %s [--keep] [--watch] [--behind] [--dump NAME]...\n", argv[0]);
      return 2;
    }
  }

  report("cwd-before", currentDirectory());
  // Never destroyed with --keep: the process ends with its files in place.
  pagora::SessionOptions options;
  options.watchForCrash = watch;
  auto session = std::make_unique<pagora::BookSession>(options);
  const pagora::LoadOutcome outcome =
      session->load(nullptr, behind ? pagora::LoadWrites::StartPageFirst : pagora::LoadWrites::Everything);
  for (const pagora::Notice& notice : outcome.notices) {
    report("notice", std::string(iconName(notice.icon)) + " " + notice.text);
  }
  if (behind) {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    bool failed = false;
    const auto end = [&](bool failure) {
      const std::lock_guard lock(mutex);
      done = true;
      failed = failure;
      ended.notify_one();
    };
    if (session->writeRemainingFiles({.finished = [&] { end(false); }, .failed = [&] { end(true); }})) {
      std::unique_lock lock(mutex);
      ended.wait(lock, [&] { return done; });
    }
    if (failed) {
      const pagora::Notice late = pagora::BookSession::writingFailureNotice();
      report("late-notice", std::string(iconName(late.icon)) + " " + late.text);
    }
  }
  report("title", session->info().title);
  report("printAllowed", session->printAllowed() ? "yes" : "no");
  report("startPagePath", session->startPagePath());
  report("private-folder", session->privateFolderPath());
  for (const std::string& path : session->registry().filesInRemovalOrder()) report("registered-file", path);
  for (const std::string& path : session->registry().createdFolders()) report("registered-folder", path);
  for (const std::string& name : dumps) report("dump", dumped(session->privateFolderPath() + name));

  if (!keep) session.reset();
  report("cwd-after", currentDirectory());
  for (const std::string& path : pagora::testing::treeOf(pagora::platform::tempDirectory())) report("left", path);
  std::fflush(stdout);
  // With --keep the session is never ended: the process goes as a killed viewer would.
  if (keep) ::_exit(0);
  return 0;
}
