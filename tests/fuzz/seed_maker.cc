// pagora-fuzz-seeds: makes the harnesses' starting inputs, and checks their
// dictionary against the format.
//
//   pagora-fuzz-seeds OUT_DIR [BOOK_FOLDER...]
//     OUT_DIR/container/: small well-formed books (the viewer part a few
//       bytes), one per kind of content and one per BOOK_FOLDER, each folder
//       packed from its smallest files up to a budget;
//     OUT_DIR/pages/: the texts of those books as the page harness reads them.
//   pagora-fuzz-seeds --check-dict DICT
//     fails unless DICT holds every magic word as it is stored.
//
// The same arguments give the same bytes.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "container/format.h"
#include "support/book_image.h"
#include "support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using pagora::BookInfo;
using pagora::testing::TestFile;

constexpr std::uintmax_t kFolderBudget = 48 * 1024;

struct SeedBook {
  std::string name;
  BookInfo info;
  std::vector<TestFile> files;
};

TestFile contents(std::string name, std::string bytes) { return TestFile{std::move(name), std::move(bytes)}; }

BookInfo texts(std::string esbn, std::string title, std::string author) {
  BookInfo info;
  info.esbn = std::move(esbn);
  info.title = std::move(title);
  info.author = std::move(author);
  info.printAllowed = 1;
  return info;
}

std::vector<SeedBook> builtInBooks() {
  BookInfo full = texts("ESBN-1", "Tom & Jerry's \"<Guide>\"", "A. Author");
  full.authorEmail = "author@example.org";
  full.webAddress = "http://example.org/?a=1&b=<2>";
  full.publisher = "Press & Sons";
  full.contentsNotice = "free to share";
  full.reservedText1 = "r1";
  full.reservedText2 = "r2";
  full.reservedText3 = "r3";
  return {
      {"one-empty-file", BookInfo{}, {contents("index.html", "")}},
      {"every-text", full, {contents("index.html", "<P>hi</P>")}},
      {"subfolders", texts("sub", "Folders", ""),
       {contents("index.htm", "<IMG SRC=images/a.png>"), contents("images\\a.png", std::string(300, 'p')),
        contents("images/deep\\b.txt", "b")}},
      {"two-transfers", texts("big", "Big", "B"),
       {contents("INDEX.HTML", "i"), contents("big.bin", std::string(pagora::format::kTransferBufferSize + 1, 'x'))}},
      {"no-index", texts("noindex", "No Index", "N"), {contents("a.html", "a"), contents("b.html", "b")}},
  };
}

// The smallest regular files below `folder` (smallest first, then by name)
// that fit the budget together, named relative to it with '\\'.
std::vector<TestFile> packedFolder(const fs::path& folder) {
  std::vector<std::pair<std::uintmax_t, fs::path>> found;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) found.emplace_back(entry.file_size(), entry.path());
  }
  std::sort(found.begin(), found.end());
  std::vector<TestFile> files;
  std::uintmax_t used = 0;
  for (const auto& [size, path] : found) {
    if (used + size > kFolderBudget) break;
    used += size;
    std::string name = path.lexically_relative(folder).string();
    std::replace(name.begin(), name.end(), '/', '\\');
    files.push_back(TestFile{name, pagora::testing::readFile(path.string())});
  }
  return files;
}

void writeBookFile(const fs::path& path, const SeedBook& book) {
  pagora::testing::BookRecipe recipe;
  recipe.info = book.info;
  recipe.files = book.files;
  pagora::testing::writeFile(path.string(), pagora::testing::BookImage::build(recipe).bytes());
}

// The page harness reads each text up to a backslash that is not doubled.
std::string providerText(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '\\') out += '\\';
  }
  return out + "\\ ";
}

bool writePageSeed(const fs::path& path, const BookInfo& info) {
  std::ofstream out(path, std::ios::binary);
  for (const std::string* text : {&info.title, &info.publisher, &info.author, &info.authorEmail, &info.webAddress,
                                  &info.contentsNotice, &info.esbn}) {
    out << providerText(*text);
  }
  return static_cast<bool>(out);
}

int makeSeeds(const fs::path& outDir, const std::vector<std::string>& folders) {
  fs::create_directories(outDir / "container");
  fs::create_directories(outDir / "pages");

  std::vector<SeedBook> books = builtInBooks();
  for (const std::string& folder : folders) {
    if (!fs::is_directory(folder)) continue;  // the shared books are optional
    books.push_back({fs::path(folder).filename().string(),
                     texts(fs::path(folder).filename().string(), "Packed " + fs::path(folder).filename().string(), ""),
                     packedFolder(folder)});
  }
  for (const SeedBook& book : books) {
    writeBookFile(outDir / "container" / (book.name + ".book"), book);
    if (!writePageSeed(outDir / "pages" / (book.name + ".texts"), book.info)) return 1;
  }
  return 0;
}

std::string storedWordEntry(std::uint32_t value) {
  const std::uint32_t stored = value ^ pagora::format::kWordScramble;
  char entry[17];
  std::snprintf(entry, sizeof entry, "\"\\x%02X\\x%02X\\x%02X\\x%02X\"", stored & 0xFF, (stored >> 8) & 0xFF,
                (stored >> 16) & 0xFF, stored >> 24);
  return entry;
}

int checkDictionary(const std::string& path) {
  std::ifstream in(path);
  const std::string dict((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int missing = 0;
  for (std::uint32_t magic : {pagora::format::TRAILER_MAGIC, pagora::format::TRAILER_END_MAGIC,
                              pagora::format::HEADER_MAGIC, pagora::format::HEADER_END_MAGIC,
                              pagora::format::STRING_LIST_MAGIC, pagora::format::FILE_TABLE_MAGIC,
                              pagora::format::FILE_ENTRY_MAGIC}) {
    const std::string entry = storedWordEntry(magic);
    if (dict.find(entry) == std::string::npos) {
      std::fprintf(stderr, "%s: no entry %s for the magic 0x%08X\n", path.c_str(), entry.c_str(), magic);
      ++missing;
    }
  }
  return missing == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const char* usage = "usage: %s OUT_DIR [BOOK_FOLDER...]\n       %s --check-dict DICT\n       --help, --version\n";
  if (args.size() == 1 && args[0] == "--help") {
    std::printf(usage, argv[0], argv[0]);
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("pagora-fuzz-seeds %s\n", PAGORA_VERSION);
    return 0;
  }
  if (args.size() == 2 && args[0] == "--check-dict") return checkDictionary(args[1]);
  if (args.empty() || args[0].rfind("--", 0) == 0) {
    std::fprintf(stderr, usage, argv[0], argv[0]);
    return 2;
  }
  try {
    return makeSeeds(args[0], {args.begin() + 1, args.end()});
  } catch (const std::exception& error) {
    std::fprintf(stderr, "pagora-fuzz-seeds: %s\n", error.what());
    return 1;
  }
}
