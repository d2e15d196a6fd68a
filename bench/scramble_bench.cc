// Scrambling one transfer-buffer chunk of file data, the work the load does on
// every 32 KiB of every stored file.
#include <benchmark/benchmark.h>

#include <vector>

#include "container/format.h"
#include "container/scramble.h"

namespace pagora {
namespace {

void BM_ScrambleChunk(benchmark::State& state) {
  std::vector<unsigned char> chunk(static_cast<std::size_t>(state.range(0)));
  for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<unsigned char>(i * 31);
  for (auto _ : state) {
    scrambleBytes(chunk.data(), chunk.size(), format::kDataScramble);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ScrambleChunk)->Arg(format::kTransferBufferSize)->Arg(17)->Arg(1 << 20);

}  // namespace
}  // namespace pagora
