// pagora-search-probe: indexes the pages of a folder the way the viewer does
// and prints the pages a query matches, as `NAME<TAB>TITLE` in rank order
// (names relative to the folder, with '/'). The oracle comparison runs it.
//
//   pagora-search-probe [--threads N] [--snippets] FOLDER WORD...
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "search/index_builder.h"
#include "search/query.h"
#include "search/search_index.h"

namespace {

namespace fs = std::filesystem;
using namespace pagora::search;

int usage() {
  std::fprintf(stderr, "usage: pagora-search-probe [--threads N] [--snippets] FOLDER WORD...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned threads = 0;
  bool snippets = false;
  int arg = 1;
  for (; arg < argc && argv[arg][0] == '-'; ++arg) {
    if (std::strcmp(argv[arg], "--version") == 0) {
      std::printf("pagora-search-probe %s\n", PAGORA_VERSION);
      return 0;
    } else if (std::strcmp(argv[arg], "--help") == 0) {
      usage();
      return 0;
    } else if (std::strcmp(argv[arg], "--threads") == 0 && arg + 1 < argc) {
      threads = static_cast<unsigned>(std::stoul(argv[++arg]));
    } else if (std::strcmp(argv[arg], "--snippets") == 0) {
      snippets = true;
    } else {
      return usage();
    }
  }
  if (arg >= argc) return usage();
  const fs::path folder = argv[arg++];
  std::string text;
  for (; arg < argc; ++arg) text += std::string(text.empty() ? "" : " ") + argv[arg];

  std::vector<PageFile> files;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error)) {
    if (it->is_regular_file())
      files.push_back(PageFile{it->path().lexically_relative(folder).string(), it->path().string()});
  }
  if (error) {
    std::fprintf(stderr, "pagora-search-probe: %s: %s\n", folder.c_str(), error.message().c_str());
    return 1;
  }
  SearchIndex index;
  std::promise<void> complete;
  IndexBuilder builder(index, std::move(files), {{}, [&] { complete.set_value(); }}, threads);
  complete.get_future().wait();
  const Query query = Query::parse(text);
  for (const SearchResult& result : index.search(query, snippets ? SIZE_MAX : 0)) {
    std::printf("%s\t%s\n", result.storedName.c_str(), result.title.c_str());
    if (snippets) std::printf("  %s\n", result.snippet.text.c_str());
  }
  return 0;
}
