// BookInfo::exchange in both directions on an in-memory file, through the
// gathered output and the read-ahead input that the writer and the reader
// use: storing the header with its twelve check values, and loading it back
// with verification.
#include <benchmark/benchmark.h>
#include <sys/mman.h>

#include "container/book_info.h"
#include "container/container_input.h"
#include "container/container_output.h"
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
    ContainerOutput out(file, ContainerOutput::Mode::WriteBehind);
    ContainerStream storing(out);
    if (!info.exchange(storing) || !out.flush()) state.SkipWithError("storing the header failed");
  }
}
BENCHMARK(BM_HeaderExchangeStore);

void BM_HeaderExchangeLoad(benchmark::State& state) {
  platform::File file = memoryFile();
  BookInfo header = typicalHeader();
  {
    ContainerOutput out(file, ContainerOutput::Mode::WriteBehind);
    ContainerStream storing(out);
    if (!header.exchange(storing) || !out.flush()) state.SkipWithError("storing the header failed");
  }
  for (auto _ : state) {
    BookInfo info;
    file.seek(0);
    ContainerInput in(file, ContainerInput::Mode::ReadAhead);
    ContainerStream loading(in);
    if (!info.exchange(loading)) state.SkipWithError("loading the header failed");
    benchmark::DoNotOptimize(info);
  }
}
BENCHMARK(BM_HeaderExchangeLoad);

}  // namespace
}  // namespace pagora
