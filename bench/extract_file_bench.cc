// ContainerReader::extractFile with the book and the target both in the page
// cache: the load's own cost per byte (read, descramble, write through the
// transfer buffer) and per file (create, seek, close), without the disk.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_scratch.h"
#include "container/container_reader.h"
#include "container/container_writer.h"
#include "platform/directory.h"

namespace pagora {
namespace {

// A book in `scratch` holding `count` files of `size` bytes each.
std::string writeBenchBook(const bench::BenchScratch& scratch, int count, std::size_t size) {
  const std::string viewer = scratch / "viewer";
  platform::File viewerFile = platform::File::create(viewer, 0600);
  viewerFile.write("#!/bin/sh\n", 10);
  viewerFile.close();

  std::vector<BookSource> sources;
  std::string contents(size, '\0');
  for (std::size_t i = 0; i < size; ++i) contents[i] = static_cast<char>(i * 131 + i / 4096);
  for (int i = 0; i < count; ++i) sources.push_back(BookSource{"page" + std::to_string(i) + ".html", "", contents});
  BookInfo info;
  info.title = "extract bench";
  const std::string book = scratch / "book";
  platform::File out = platform::File::create(book, 0600);
  if (writeBook(out, viewer, info, sources)) return {};
  return book;
}

struct OpenBook {
  ContainerReader reader;
  BookInfo info;
  BookFileTable table;
  ContainerTrailer trailer;
  platform::Directory target;

  OpenBook(const bench::BenchScratch& scratch, const std::string& book) : reader(book) {
    const std::string folder = scratch / "out";
    platform::Directory::open(scratch.path()).makeFolder("out");
    target = platform::Directory::open(folder);
  }
  bool ready() { return target.isOpen() && reader.parse(info, table, trailer); }

  // Untimed. Each extraction makes a new file, as in a load: rewriting one
  // in place would time ext4's flush of a truncated file instead.
  void removeTargets(benchmark::State& state, int count) {
    state.PauseTiming();
    for (int i = 0; i < count; ++i) target.removeFile(table.entryAt(i).name);
    state.ResumeTiming();
  }
};

void BM_ExtractLargeFile(benchmark::State& state) {
  bench::BenchScratch scratch;
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string book = writeBenchBook(scratch, 1, size);
  OpenBook open(scratch, book);
  if (book.empty() || !open.ready()) {
    state.SkipWithError("could not build the book");
    return;
  }
  for (auto _ : state) {
    if (!open.reader.extractFile(open.table, 0, open.trailer, open.target)) state.SkipWithError("extractFile failed");
    open.removeTargets(state, 1);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ExtractLargeFile)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMillisecond);

void BM_ExtractSmallFiles(benchmark::State& state) {
  bench::BenchScratch scratch;
  const int count = static_cast<int>(state.range(0));
  const std::string book = writeBenchBook(scratch, count, 4096);
  OpenBook open(scratch, book);
  if (book.empty() || !open.ready()) {
    state.SkipWithError("could not build the book");
    return;
  }
  for (auto _ : state) {
    for (int i = 0; i < count; ++i) {
      if (!open.reader.extractFile(open.table, i, open.trailer, open.target)) state.SkipWithError("extractFile failed");
    }
    open.removeTargets(state, count);
  }
  state.SetItemsProcessed(state.iterations() * count);
  state.SetBytesProcessed(state.iterations() * count * 4096);
}
BENCHMARK(BM_ExtractSmallFiles)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pagora
