#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "authoring_defaults.h"
#include "command_line.h"
#include "commands.h"
#include "container/book_validation.h"
#include "container/container_writer.h"
#include "pending_book_file.h"
#include "platform/executable_path.h"
#include "source_tree.h"
#include "tool_output.h"

namespace pagora::book_tool {
namespace {

constexpr char kCreateHelp[] =
    "Usage: pagora-book create SRC_DIR -o BOOK [options]\n"
    "\n"
    "Packs every file below SRC_DIR into the book BOOK: a copy of the viewer\n"
    "with the files appended. Running BOOK shows the book.\n"
    "\n"
    "Options:\n"
    "  -o, --output BOOK          the book to write (replaced only once complete)\n"
    "  --viewer PATH              the viewer to copy (default: 'pagora' beside pagora-book)\n"
    "  --title T                  the window caption (default: BOOK's file name)\n"
    "  --author A                 the author's name\n"
    "  --author-email E           the author's e-mail address\n"
    "  --web-address U            the book's web address\n"
    "  --publisher P              the publisher's name\n"
    "  --contents-notice N        ends \"Contents of this E-Book are ...\" on the about page\n"
    "  --esbn ID                  the book's identifier, which names the reader's private\n"
    "                             folder (default: the title, or else BOOK's file name, in\n"
    "                             lower case, with each run of characters other than a-z,\n"
    "                             0-9 and '_' made one '-', at most 64 characters)\n"
    "  --no-print                 do not let the reader print the book\n"
    "  --start-page NAME          add an index.html that sends the reader on to NAME, a\n"
    "                             page (.htm, .html, .xhtml) below SRC_DIR, for trees\n"
    "                             without an index.html\n"
    "  -L, --dereference          store what symbolic links leading outside SRC_DIR\n"
    "                             lead to (a folder's files under the link's name)\n"
    "  --exclude PATTERN          leave out files and folders whose names match PATTERN\n"
    "                             (a shell pattern, as tar's --exclude: matched against\n"
    "                             the name below SRC_DIR or any part of it that starts\n"
    "                             after a '/', with '*' matching '/' too); repeatable\n"
    "  -h, --help                 show this help\n"
    "  --version                  show the version\n"
    "\n"
    "Symbolic links to files or folders inside SRC_DIR are stored as copies;\n"
    "other links are left out with a warning (or stored, with -L). Files are\n"
    "stored in byte order of their names, so the same tree and options give the\n"
    "same book.\n";

const std::vector<OptionSpec> kCreateOptions = {
    {"output", true, 'o'},    {"viewer", true},      {"title", true},       {"author", true},
    {"author-email", true},   {"web-address", true}, {"publisher", true},   {"contents-notice", true},
    {"esbn", true},           {"no-print", false},   {"start-page", true},  {"help", false, 'h'},
    {"version", false},       {"dereference", false, 'L'},
    {.name = "exclude", .takesValue = true, .repeatable = true},
};

// Books above this size show their progress, when someone is watching.
constexpr std::int64_t kProgressThreshold = 50 * 1000 * 1000;

std::string defaultViewerPath() {
  std::string self = platform::executablePath();
  if (self.empty()) return "pagora";
  return (std::filesystem::path(self).parent_path() / "pagora").string();
}

// The stored name of a file named as the author would below the folder:
// "./a//b.html" and "a/b.html" name the stored "a\\b.html".
std::string storedNameFor(const std::string& name) {
  std::string stored;
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t end = name.find_first_of("/\\", start);
    const std::string segment = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!segment.empty() && segment != ".") {
      if (!stored.empty()) stored += '\\';
      stored += segment;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return stored;
}

// A file the engine shows as a page.
bool isPageName(const std::string& storedName) {
  std::string lower = storedName;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.ends_with(".htm") || lower.ends_with(".html") || lower.ends_with(".xhtml");
}

bool isInside(const std::filesystem::path& path, const std::filesystem::path& folder) {
  auto [folderEnd, pathAt] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
  return folderEnd == folder.end();
}

ProgressCallback terminalProgress() {
  if (!::isatty(STDERR_FILENO)) return {};
  return [lastPercent = -1](std::int64_t done, std::int64_t total) mutable {
    if (total <= kProgressThreshold) return;
    int percent = static_cast<int>(done * 100 / total);
    if (percent == lastPercent) return;
    lastPercent = percent;
    std::fprintf(stderr, "\rpagora-book: storing %3d%% (%lld of %lld MB)%s", percent,
                 static_cast<long long>(done / 1000000), static_cast<long long>(total / 1000000),
                 done == total ? "\n" : "");
  };
}

struct CreateRequest {
  std::string sourceDir;
  std::string bookPath;
  std::string viewerPath;
  BookInfo info;
  std::optional<std::string> startPage;
  SourceTreeOptions tree;
};

// Turns the arguments into a request, or prints the usage problem.
std::optional<CreateRequest> readRequest(const ParsedArguments& parsed) {
  if (parsed.positionals.size() != 1) {
    usageError("create", parsed.positionals.empty() ? "create needs the folder to pack" : "create takes one folder");
    return std::nullopt;
  }
  if (!parsed.has("output") || parsed.value("output")->empty()) {
    usageError("create", "create needs the book to write: -o BOOK");
    return std::nullopt;
  }
  CreateRequest request;
  request.sourceDir = parsed.positionals[0];
  request.bookPath = *parsed.value("output");
  request.viewerPath = parsed.value("viewer").value_or("");
  BookInfo& info = request.info;
  info.title = parsed.value("title").value_or(bookFileStem(request.bookPath));
  info.author = parsed.value("author").value_or("");
  info.authorEmail = parsed.value("author-email").value_or("");
  info.webAddress = parsed.value("web-address").value_or("");
  info.publisher = parsed.value("publisher").value_or("");
  info.contentsNotice = parsed.value("contents-notice").value_or("");
  info.printAllowed = parsed.has("no-print") ? 0 : 1;
  info.esbn = parsed.value("esbn").value_or(defaultEsbn(info.title, request.bookPath));
  if (std::string problem = esbnProblem(info.esbn); !problem.empty()) {
    usageError("create", "--esbn \"" + info.esbn + "\" cannot name a folder: " + problem);
    return std::nullopt;
  }
  request.startPage = parsed.value("start-page");
  request.tree.dereference = parsed.has("dereference");
  request.tree.excludes = parsed.values("exclude");
  return request;
}

// Adds the generated start page, or warns when the book has none; false when
// --start-page cannot be honoured (the problem is printed).
bool settleStartPage(const CreateRequest& request, std::vector<BookSource>& files) {
  auto existingStart = std::find_if(files.begin(), files.end(),
                                    [](const BookSource& file) { return takesStartPage(file.storedName, false); });
  if (!request.startPage) {
    if (existingStart == files.end()) {
      printWarning(request.sourceDir + " has no index.html or index.htm at its top: the reader will be told \"Index "
                   "file not found!\" and shown the about page (--start-page NAME adds one)");
    }
    return true;
  }
  std::string target = storedNameFor(*request.startPage);
  if (existingStart != files.end()) {
    usageError("create", "--start-page: " + request.sourceDir + " already has the start page " +
                             existingStart->sourcePath);
    return false;
  }
  if (std::none_of(files.begin(), files.end(), [&](const BookSource& file) { return file.storedName == target; })) {
    usageError("create", "--start-page: \"" + *request.startPage + "\" is not a file below " + request.sourceDir);
    return false;
  }
  if (!isPageName(target)) {
    usageError("create", "--start-page: \"" + *request.startPage +
                             "\" is not a page (a .htm, .html or .xhtml file) the reader could be sent to");
    return false;
  }
  files.push_back(BookSource{"index.html", "", startPageHtml(target, request.info.title)});
  std::sort(files.begin(), files.end(),
            [](const BookSource& a, const BookSource& b) { return a.storedName < b.storedName; });
  return true;
}

int create(CreateRequest request) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path realSource = fs::canonical(request.sourceDir, error);
  if (error) {
    printError(request.sourceDir, error.message());
    return kExitFailure;
  }
  if (isInside(fs::weakly_canonical(fs::absolute(request.bookPath), error), realSource)) {
    return usageError("create", "the book " + request.bookPath + " would lie inside " + request.sourceDir +
                                    " and be packed into itself");
  }

  if (request.viewerPath.empty()) {
    request.viewerPath = defaultViewerPath();
    struct stat st {};
    if (::stat(request.viewerPath.c_str(), &st) != 0) {
      printError(request.viewerPath, "cannot use the viewer: " + systemReason() + " (pass --viewer PATH)");
      return kExitFailure;
    }
  }

  SourceTree tree = collectSourceTree(request.sourceDir, request.tree);
  for (const std::string& warning : tree.warnings) printWarning(warning);
  if (tree.error) {
    printError(tree.error->path, tree.error->reason);
    return kExitFailure;
  }
  if (!settleStartPage(request, tree.files)) return kExitUsage;

  PendingBookFile output(request.bookPath);
  if (!output.open()) {
    printError(request.bookPath, systemReason());
    return kExitFailure;
  }
  if (auto failure = writeBook(output.file(), request.viewerPath, request.info, tree.files, terminalProgress())) {
    printError(failure->path.empty() ? request.bookPath : failure->path, failure->reason);
    return kExitFailure;
  }
  if (!output.commit()) {
    printError(request.bookPath, systemReason());
    return kExitFailure;
  }
  std::printf("%s: %zu files\n", request.bookPath.c_str(), tree.files.size());
  return kExitSuccess;
}

}  // namespace

int runCreate(const Arguments& arguments) {
  ParsedArguments parsed = parseArguments(arguments, kCreateOptions);
  if (!parsed.error.empty()) return usageError("create", parsed.error);
  if (auto answered = answerHelpOrVersion(parsed, kCreateHelp)) return *answered;
  std::optional<CreateRequest> request = readRequest(parsed);
  if (!request) return kExitUsage;
  return create(std::move(*request));
}

}  // namespace pagora::book_tool
