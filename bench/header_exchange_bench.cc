// BookInfo::exchange in both directions on an in-memory file: storing the
// header with its twelve check values, and loading it back with verification.
#include <benchmark/benchmark.h>
#include <sys/mman.h>

#include "container/book_info.h"
#include "container/container_stream.h"
#include "platform/file.h"

namespace pagora {
namespace {

BookInfo typicalHeader() {
  BookInfo info;
  info.esbn = "sqlite3-doc";
  info.title = "SQLite Documentation";
  info.author = "D. Richard Hipp and the SQLite developers";
  info.authorEmail = "author@example.org";
  info.webAddress = "https://www.example.org/";
  info.publisher = "Example Publishing";
  info.contentsNotice = "in the public domain. Anyone is free to copy, modify, publish, use, compile, sell, or "
                        "distribute the original code, either in source code form or as a compiled binary.";
  info.printAllowed = 1;
  info.fileCount = 958;
  return info;
}

platform::File memoryFile() { return platform::File(::memfd_create("pagora-bench-header", MFD_CLOEXEC)); }

void BM_HeaderExchangeStore(benchmark::State& state) {
  platform::File file = memoryFile();
  const BookInfo header = typicalHeader();
  for (auto _ : state) {
    BookInfo info = header;
    file.seek(0);
    ContainerStream storing(true, file);
    if (!info.exchange(storing)) state.SkipWithError("storing the header failed");
  }
}
BENCHMARK(BM_HeaderExchangeStore);

void BM_HeaderExchangeLoad(benchmark::State& state) {
  platform::File file = memoryFile();
  BookInfo header = typicalHeader();
  ContainerStream storing(true, file);
  if (!header.exchange(storing)) state.SkipWithError("storing the header failed");
  for (auto _ : state) {
    BookInfo info;
    file.seek(0);
    ContainerStream loading(false, file);
    if (!info.exchange(loading)) state.SkipWithError("loading the header failed");
    benchmark::DoNotOptimize(info);
  }
}
BENCHMARK(BM_HeaderExchangeLoad);

}  // namespace
}  // namespace pagora
