// pagora-load-probe: a viewer without a window, for tests of the load. A copy
// with a container appended loads itself as the viewer would, recording every
// notice instead of showing it, and prints one line per fact:
//
//   notice: <icon> <text>          each notice, in order
//   title: / esbn: / printAllowed: / startPagePath: <text>
//   same-instance: yes|no          whether a second instance() call gives the same object
//   private-folder: <path>         where the book's folder is (not made here)
//   registered-file: <path>        in removal order
//   registered-folder: <path>      in the order made
//   about-path: <path>             for --build-about, each later BuildAboutPage()
//   dump: <contents>               for --dump NAME, the file NAME in the private folder
//   cwd-before: / cwd-after: <path>
//   left: <path>                   after the clean-up, everything under the
//                                  temporary directory, relative to it
//   listener: <event>              for --listen, what the load told its
//                                  listener: "start <folder> holding <n>" (the
//                                  entries in the folder then) and "between <n>"
//                                  (the files registered then)
//
// Texts are escaped: backslash, \n, \r, \t, and \xHH for other control and
// non-ASCII bytes. With --keep the clean-up does not run. --file-size-limit N
// makes every write past N bytes fail, as on a full disk.
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/temp_file_registry.h"
#include "container/book_loader.h"
#include "pages/about_page.h"
#include "platform/notice.h"
#include "platform/temp_directory.h"

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

class RecordingSink : public pagora::platform::NoticeSink {
 public:
  void show(const std::string& text, pagora::platform::NoticeIcon icon) override {
    const char* name = icon == pagora::platform::NoticeIcon::Warning   ? "warning"
                       : icon == pagora::platform::NoticeIcon::Error ? "error"
                                                                     : "information";
    notices.push_back(std::string(name) + " " + text);
  }
  std::vector<std::string> notices;
};

std::size_t entriesIn(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  std::size_t count = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) ++count;
  }
  ::closedir(dir);
  return count;
}

class RecordingListener : public pagora::LoadListener {
 public:
  void extractionStarting(const std::string& privateFolder) override {
    events.push_back("start " + privateFolder + " holding " + std::to_string(entriesIn(privateFolder)));
  }
  void betweenFiles() override {
    events.push_back("between " +
                     std::to_string(pagora::TempFileRegistry::instance().filesInRemovalOrder().size()));
  }
  std::vector<std::string> events;
};

std::string currentDirectory() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

// Everything below `folder` (which ends in '/'), depth first, never following links.
void listTree(const std::string& folder, const std::string& relative, std::vector<std::string>& out) {
  DIR* dir = ::opendir((folder + relative).c_str());
  if (dir == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
  }
  ::closedir(dir);
  for (const std::string& name : names) {
    const std::string path = relative + name;
    out.push_back(path);
    struct stat st {};
    if (::lstat((folder + path).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) listTree(folder, path + "/", out);
  }
}

std::string withSlashes(std::string text) {
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  bool keep = false;
  bool listen = false;
  int aboutBuilds = 0;
  std::vector<std::string> dumps;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--keep") {
      keep = true;
    } else if (arg == "--listen") {
      listen = true;
    } else if (arg == "--build-about") {
      ++aboutBuilds;
    } else if (arg == "--file-size-limit" && i + 1 < argc) {
      // Past the limit a write then fails with EFBIG instead of killing the process.
      std::signal(SIGXFSZ, SIG_IGN);
      const rlim_t limit = std::strtoull(argv[++i], nullptr, 10);
      const rlimit fileSize{limit, limit};
      ::setrlimit(RLIMIT_FSIZE, &fileSize);
    } else if (arg == "--dump" && i + 1 < argc) {
      dumps.push_back(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: %s [--keep] [--listen] [--build-about]... [--file-size-limit N] [--dump NAME]...\n", argv[0]);
      return 2;
    }
  }

  RecordingSink sink;
  pagora::platform::installNoticeSink(&sink);
  report("cwd-before", currentDirectory());

  RecordingListener listener;
  if (listen) pagora::BookLoader::setListener(&listener);
  pagora::BookLoader& book = pagora::BookLoader::instance();
  pagora::BookLoader::setListener(nullptr);
  for (const std::string& event : listener.events) report("listener", event);
  for (int i = 0; i < aboutBuilds; ++i) report("about-path", pagora::BuildAboutPage());
  for (const std::string& notice : sink.notices) report("notice", notice);
  report("title", book.title());
  report("esbn", book.esbn());
  report("printAllowed", std::to_string(book.printAllowed()));
  report("same-instance", &pagora::BookLoader::instance() == &book ? "yes" : "no");
  report("startPagePath", book.startPagePath());
  // Worked out here rather than asked for: asking would make the folder.
  const std::string temp = pagora::platform::tempDirectory();
  const std::string folder = temp + withSlashes(book.esbn()) + ".qvx/";
  report("private-folder", folder);

  pagora::TempFileRegistry& registry = pagora::TempFileRegistry::instance();
  for (const std::string& path : registry.filesInRemovalOrder()) report("registered-file", path);
  for (const std::string& path : registry.createdFolders()) report("registered-folder", path);
  for (const std::string& name : dumps) {
    std::ifstream in(folder + name, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    report("dump", contents.str());
  }

  if (!keep) registry.removeAll();
  report("cwd-after", currentDirectory());
  std::vector<std::string> left;
  listTree(temp, "", left);
  for (const std::string& path : left) report("left", path);
  pagora::platform::installNoticeSink(nullptr);
  return 0;
}
