// The registry's record of written files for a book of 100,000 files: adding
// every path (each checked for a duplicate first) and listing them in the
// order they are removed at exit. Both must stay linear in the file count.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "session/temp_file_registry.h"

namespace pagora {
namespace {

std::vector<std::string> bookPaths(std::size_t count) {
  std::vector<std::string> paths;
  paths.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    paths.push_back("/tmp/sqlite3-doc.qvx/part" + std::to_string(i % 100) + "/page" + std::to_string(i) + ".html");
  }
  return paths;
}

void BM_RegistryAddFile(benchmark::State& state) {
  const std::vector<std::string> paths = bookPaths(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    WrittenFileMap files;
    for (const std::string& path : paths) files.add(path);
    benchmark::DoNotOptimize(files.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RegistryAddFile)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_RegistryFilesInRemovalOrder(benchmark::State& state) {
  WrittenFileMap files;
  for (const std::string& path : bookPaths(static_cast<std::size_t>(state.range(0)))) files.add(path);
  for (auto _ : state) benchmark::DoNotOptimize(files.inRemovalOrder());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RegistryFilesInRemovalOrder)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pagora
