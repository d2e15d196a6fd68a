// pagora-search-bench: builds the search index of a folder's pages as the
// viewer would (an IndexBuilder on worker threads, from files just
// extracted), and reports how long that took, the memory the index holds
// against the pages' plain text, and how long queries take once it is
// complete. search_bench.py runs it over generated books and compares the
// build with `tar -xf` of the same tree. --phases instead times each step of
// the build on one thread (reading, the pages' text, their words, adding
// them, finishing), to see where the time goes.
//
//   pagora-search-bench [--threads N] [--repeat R] [--phases] FOLDER [QUERY...]
#include <malloc.h>
#include <time.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "search/index_builder.h"
#include "search/page_entry.h"
#include "search/page_files.h"
#include "search/search_index.h"

namespace {

namespace fs = std::filesystem;
using namespace pagora::search;
using Clock = std::chrono::steady_clock;

const std::vector<std::string> kDefaultQueries = {"a",        "the",  "dene", "ionan",
                                                  "exth sch", "zzzz", "d e",  "baentkaqugr"};

// CPU time of the whole process (every thread) so far: on a busy machine it
// says more than the wall clock about the work done.
double cpuMilliseconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1000 + static_cast<double>(t.tv_usec) / 1000;
  };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<PageFile> filesBelow(const fs::path& folder) {
  std::vector<PageFile> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file())
      files.push_back(PageFile{entry.path().lexically_relative(folder).string(), entry.path()});
  }
  std::sort(files.begin(), files.end(),
            [](const PageFile& a, const PageFile& b) { return a.storedName < b.storedName; });
  return files;
}

// Builds the index and returns the milliseconds until the listener heard it
// was complete.
double build(SearchIndex& index, std::vector<PageFile> files, unsigned threads) {
  std::promise<void> complete;
  const auto start = Clock::now();
  IndexBuilder builder(index, std::move(files), {{}, [&] { complete.set_value(); }}, threads);
  complete.get_future().wait();
  return millisecondsSince(start);
}

// CPU time of this thread: a step's own cost, whatever else the machine runs.
double threadCpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1000 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Each step of the build, page by page on this thread, summed over the pages
// (CPU time).
void printPhases(const std::vector<PageFile>& files, int repeat) {
  for (int round = 0; round < repeat; ++round) {
    double read = 0, text = 0, words = 0, add = 0;
    std::size_t bytes = 0;
    SearchIndex index;
    for (const PageFile& file : files) {
      if (!isPageName(file.storedName)) continue;
      double start = threadCpuMilliseconds();
      const std::optional<std::string> page = readWholeFile(file.path);
      read += threadCpuMilliseconds() - start;
      if (!page) continue;
      bytes += page->size();
      start = threadCpuMilliseconds();
      PageText pageText = extractPageText(*page);
      text += threadCpuMilliseconds() - start;
      start = threadCpuMilliseconds();
      PageEntry entry = makePageEntry(file.storedName, std::move(pageText));
      words += threadCpuMilliseconds() - start;
      start = threadCpuMilliseconds();
      index.add(std::move(entry));
      add += threadCpuMilliseconds() - start;
    }
    const double start = threadCpuMilliseconds();
    index.finish();
    const double finish = threadCpuMilliseconds() - start;
    std::printf("phases (CPU): %.1f MB of pages, %.1f MB of text: read %.1f ms, text %.1f ms, words %.1f ms, "
                "add %.1f ms, finish %.1f ms, total %.1f ms\n",
                static_cast<double>(bytes) / 1e6, static_cast<double>(index.textBytes()) / 1e6, read, text, words,
                add, finish, read + text + words + add + finish);
  }
}

}  // namespace

int main(int argc, char** argv) {
  unsigned threads = 1;
  int repeat = 3;
  bool phases = false;
  int arg = 1;
  for (; arg < argc && argv[arg][0] == '-'; ++arg) {
    if (std::strcmp(argv[arg], "--version") == 0) {
      std::printf("pagora-search-bench %s\n", PAGORA_VERSION);
      return 0;
    } else if (std::strcmp(argv[arg], "--threads") == 0 && arg + 1 < argc) {
      threads = static_cast<unsigned>(std::stoul(argv[++arg]));
    } else if (std::strcmp(argv[arg], "--repeat") == 0 && arg + 1 < argc) {
      repeat = std::max(1, std::stoi(argv[++arg]));
    } else if (std::strcmp(argv[arg], "--phases") == 0) {
      phases = true;
    } else {
      std::fprintf(stderr, "usage: pagora-search-bench [--threads N] [--repeat R] [--phases] FOLDER [QUERY...]\n");
      return std::strcmp(argv[arg], "--help") == 0 ? 0 : 2;
    }
  }
  if (arg >= argc) {
    std::fprintf(stderr, "usage: pagora-search-bench [--threads N] [--repeat R] [--phases] FOLDER [QUERY...]\n");
    return 2;
  }
  const fs::path folder = argv[arg++];
  std::vector<std::string> queries(argv + arg, argv + argc);
  if (queries.empty()) queries = kDefaultQueries;
  const std::vector<PageFile> files = filesBelow(folder);
  if (phases) {
    printPhases(files, repeat);
    return 0;
  }

  std::vector<double> builds;
  std::vector<double> cpu;
  for (int round = 0; round < repeat; ++round) {
    SearchIndex index;
    const double cpuBefore = cpuMilliseconds();
    builds.push_back(build(index, files, threads));
    cpu.push_back(cpuMilliseconds() - cpuBefore);
  }
  std::sort(builds.begin(), builds.end());
  std::sort(cpu.begin(), cpu.end());

  // Memory: what the allocator holds for a kept index, and the index's own count.
  malloc_trim(0);
  const std::size_t before = mallinfo2().uordblks;
  auto index = std::make_unique<SearchIndex>();
  build(*index, files, threads);
  malloc_trim(0);
  const std::size_t allocated = mallinfo2().uordblks - before;

  std::printf("folder: %s\nfiles: %zu\npages: %zu\nthreads: %u\n", folder.c_str(), files.size(), index->pageCount(),
              threads);
  std::printf("build-ms-median: %.1f\nbuild-ms-min: %.1f\nbuild-cpu-ms-median: %.1f\n", builds[builds.size() / 2],
              builds.front(), cpu[cpu.size() / 2]);
  std::printf("text-bytes: %zu\nindex-bytes-counted: %zu\nindex-bytes-allocated: %zu\n", index->textBytes(),
              index->memoryUsage(), allocated);
  std::printf("memory-ratio: %.3f\n", static_cast<double>(allocated) / static_cast<double>(index->textBytes()));
  for (const std::string& text : queries) {
    const Query query = Query::parse(text);
    std::vector<double> times;
    std::size_t found = 0;
    for (int round = 0; round < 20; ++round) {
      const auto start = Clock::now();
      found = index->search(query).size();
      times.push_back(millisecondsSince(start));
    }
    std::sort(times.begin(), times.end());
    std::printf("query %-14s results %6zu  ms median %.2f max %.2f\n", ("\"" + text + "\"").c_str(), found,
                times[times.size() / 2], times.back());
  }
  return 0;
}
