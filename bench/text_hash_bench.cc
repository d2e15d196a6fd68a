// textHash over texts of the lengths a header holds: a title, an author, a
// long contents notice.
#include <benchmark/benchmark.h>

#include <string>

#include "container/text_hash.h"

namespace pagora {
namespace {

std::string sampleText(std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) text += static_cast<char>('a' + (i * 7) % 26);
  return text;
}

void BM_TextHash(benchmark::State& state) {
  const std::string text = sampleText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(textHash(text));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TextHash)->Arg(16)->Arg(64)->Arg(1024)->Arg(64 * 1024);

}  // namespace
}  // namespace pagora
