// Ways of moving a stored file's data out of a book, on the page cache: read,
// descramble and write through buffers of several sizes (the load uses the
// transfer buffer of format.h, chosen from these), the same with the target's
// blocks reserved first and the book marked as read in sequence, a book
// mapped in windows and descrambled from the mapping, and a plain in-kernel
// copy that cannot descramble (what cp does). Only the transfer buffer is
// used by the load; the rest are measured to show why.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "container/format.h"
#include "container/scramble.h"
#include "platform/file.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

constexpr std::int64_t kSourceSize = 256 << 20;

// A scrambled source file in `scratch`, read once so it is in the page cache.
std::string makeSource(const testing::ScratchFolder& scratch) {
  const std::string path = scratch / "source";
  platform::File out = platform::File::create(path, 0600);
  std::vector<unsigned char> chunk(1 << 20);
  for (std::int64_t done = 0; done < kSourceSize; done += static_cast<std::int64_t>(chunk.size())) {
    for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<unsigned char>((done + i) * 2654435761u >> 13);
    if (out.write(chunk.data(), chunk.size()) != static_cast<std::int64_t>(chunk.size())) return {};
  }
  return path;
}

using Transfer = bool (*)(int from, int to, std::int64_t size, std::size_t bufferSize);

// XORs n bytes from `in` into `out` with the data key, 32 at a time.
void scrambleCopy(const unsigned char* in, unsigned char* out, std::size_t n) {
  const std::uint64_t key = 0x0101010101010101ull * format::kDataScramble;
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    std::uint64_t words[4];
    std::memcpy(words, in + i, sizeof words);
    for (std::uint64_t& word : words) word ^= key;
    std::memcpy(out + i, words, sizeof words);
  }
  for (; i < n; ++i) out[i] = in[i] ^ format::kDataScramble;
}

// Moves `size` bytes through a buffer of `bufferSize`, unscrambling them on
// the way when asked: the load's own loop, and the same loop without the XOR.
bool copyThroughBuffer(int from, int to, std::int64_t size, std::size_t bufferSize, bool unscramble) {
  platform::File in(::dup(from));
  platform::File out(::dup(to));
  std::vector<unsigned char> buffer(bufferSize);
  for (std::int64_t left = size; left > 0;) {
    const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(left, bufferSize));
    if (in.read(buffer.data(), chunk) != static_cast<std::int64_t>(chunk)) return false;
    if (unscramble) scrambleBytes(buffer.data(), chunk, format::kDataScramble);
    if (out.write(buffer.data(), chunk) != static_cast<std::int64_t>(chunk)) return false;
    left -= static_cast<std::int64_t>(chunk);
  }
  return true;
}

bool readScrambleWrite(int from, int to, std::int64_t size, std::size_t bufferSize) {
  return copyThroughBuffer(from, to, size, bufferSize, true);
}

bool readWriteUnscrambled(int from, int to, std::int64_t size, std::size_t bufferSize) {
  return copyThroughBuffer(from, to, size, bufferSize, false);
}

// The book mapped 2 MiB at a time (so memory stays bounded), descrambled
// from the mapping into the buffer, then written: one copy fewer than read().
bool mappedWindowsScrambleWrite(int from, int to, std::int64_t size, std::size_t bufferSize, std::int64_t kWindow,
                                bool populate) {
  platform::File out(::dup(to));
  std::vector<unsigned char> buffer(bufferSize);
  for (std::int64_t windowStart = 0; windowStart < size; windowStart += kWindow) {
    const auto windowSize = static_cast<std::size_t>(std::min(kWindow, size - windowStart));
    void* mapped = ::mmap(nullptr, windowSize, PROT_READ, MAP_PRIVATE | (populate ? MAP_POPULATE : 0), from,
                          windowStart);
    if (mapped == MAP_FAILED) return false;
    const auto* bytes = static_cast<const unsigned char*>(mapped);
    bool ok = true;
    for (std::size_t at = 0; ok && at < windowSize; at += bufferSize) {
      const std::size_t chunk = std::min(bufferSize, windowSize - at);
      scrambleCopy(bytes + at, buffer.data(), chunk);
      ok = out.write(buffer.data(), chunk) == static_cast<std::int64_t>(chunk);
    }
    ::munmap(mapped, windowSize);
    if (!ok) return false;
  }
  return true;
}

bool mappedScrambleWrite(int from, int to, std::int64_t size, std::size_t bufferSize) {
  return mappedWindowsScrambleWrite(from, to, size, bufferSize, 2 << 20, true);
}

bool mappedUnpopulatedScrambleWrite(int from, int to, std::int64_t size, std::size_t bufferSize) {
  return mappedWindowsScrambleWrite(from, to, size, bufferSize, 2 << 20, false);
}

// The load's loop, with the target's blocks reserved first and the book read
// sequentially as far as the kernel is concerned.
bool preparedReadScrambleWrite(int from, int to, std::int64_t size, std::size_t bufferSize) {
  ::posix_fadvise(from, 0, size, POSIX_FADV_SEQUENTIAL);
  if (::posix_fallocate(to, 0, size) != 0) return false;
  return copyThroughBuffer(from, to, size, bufferSize, true);
}

bool kernelCopyUnscrambled(int from, int to, std::int64_t size, std::size_t) {
  loff_t in = 0;
  for (std::int64_t left = size; left > 0;) {
    const ssize_t copied = ::copy_file_range(from, &in, to, nullptr, static_cast<std::size_t>(left), 0);
    if (copied <= 0) return false;
    left -= copied;
  }
  return true;
}

void runTransfer(benchmark::State& state, Transfer transfer) {
  testing::ScratchFolder scratch;
  const std::string source = makeSource(scratch);
  platform::File in = platform::File::openForReading(source);
  if (source.empty() || !in.isOpen()) {
    state.SkipWithError("could not make the source");
    return;
  }
  const std::string target = scratch / "target";
  const auto bufferSize = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    ::unlink(target.c_str());
    in.seek(0);
    state.ResumeTiming();
    platform::File out = platform::File::create(target, 0600);
    if (!transfer(in.descriptor(), out.descriptor(), kSourceSize, bufferSize)) state.SkipWithError("transfer failed");
  }
  state.SetBytesProcessed(state.iterations() * kSourceSize);
}

void BM_TransferReadScrambleWrite(benchmark::State& state) { runTransfer(state, readScrambleWrite); }
BENCHMARK(BM_TransferReadScrambleWrite)
    ->Arg(32 << 10)->Arg(128 << 10)->Arg(256 << 10)->Arg(512 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_TransferPreparedReadScrambleWrite(benchmark::State& state) { runTransfer(state, preparedReadScrambleWrite); }
BENCHMARK(BM_TransferPreparedReadScrambleWrite)->Arg(128 << 10)->Unit(benchmark::kMillisecond);

void BM_TransferReadWriteUnscrambled(benchmark::State& state) { runTransfer(state, readWriteUnscrambled); }
BENCHMARK(BM_TransferReadWriteUnscrambled)->Arg(32 << 10)->Arg(128 << 10)->Unit(benchmark::kMillisecond);

void BM_TransferMappedScrambleWrite(benchmark::State& state) { runTransfer(state, mappedScrambleWrite); }
BENCHMARK(BM_TransferMappedScrambleWrite)
    ->Arg(32 << 10)->Arg(128 << 10)->Arg(256 << 10)->Unit(benchmark::kMillisecond);

void BM_TransferMappedUnpopulatedScrambleWrite(benchmark::State& state) {
  runTransfer(state, mappedUnpopulatedScrambleWrite);
}
BENCHMARK(BM_TransferMappedUnpopulatedScrambleWrite)->Arg(128 << 10)->Unit(benchmark::kMillisecond);

void BM_TransferKernelCopyUnscrambled(benchmark::State& state) { runTransfer(state, kernelCopyUnscrambled); }
BENCHMARK(BM_TransferKernelCopyUnscrambled)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pagora
