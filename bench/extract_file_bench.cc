// BookExtractor, the load's extraction, with the book and the target both in
// the page cache: the load's own cost per byte (read, descramble, write
// through the transfer buffer) and per file (create, close), without the disk.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "container/book_extractor.h"
#include "platform/directory.h"
#include "support/book_image.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

// A book holding `count` files of `size` bytes each, and what extracts it.
class BenchBook {
 public:
  BenchBook(int count, std::size_t size) {
    std::string contents(size, '\0');
    for (std::size_t i = 0; i < size; ++i) contents[i] = static_cast<char>(i * 131 + i / 4096);
    std::vector<testing::TestFile> files;
    for (int i = 0; i < count; ++i) files.push_back({"page" + std::to_string(i) + ".html", contents});
    testing::BookImage::of(std::move(files)).writeTo(scratch_ / "book");
    platform::Directory::open(scratch_.path()).makeFolder("out");
    target_ = platform::Directory::open(scratch_ / "out");
    reader_ = std::make_unique<ContainerReader>(scratch_ / "book");
    ready_ = target_.isOpen() && reader_->parse(book_.info, book_.fileTable, book_.trailer);
    extractor_ = std::make_unique<BookExtractor>(*reader_, book_, target_);
  }

  bool ready() const { return ready_; }
  bool extract(int index) { return extractor_->extract(index); }

  // Untimed. Each extraction makes a new file, as in a load: rewriting one
  // in place would time ext4's flush of a truncated file instead.
  void removeTargets(benchmark::State& state, int count) {
    state.PauseTiming();
    for (int i = 0; i < count; ++i) target_.removeFile(book_.fileTable.entryAt(i).name);
    state.ResumeTiming();
  }

 private:
  testing::ScratchFolder scratch_;
  platform::Directory target_;
  std::unique_ptr<ContainerReader> reader_;
  ParsedBook book_;
  std::unique_ptr<BookExtractor> extractor_;
  bool ready_ = false;
};

void BM_ExtractLargeFile(benchmark::State& state) {
  BenchBook book(1, static_cast<std::size_t>(state.range(0)));
  if (!book.ready()) {
    state.SkipWithError("could not build the book");
    return;
  }
  for (auto _ : state) {
    if (!book.extract(0)) state.SkipWithError("the extraction failed");
    book.removeTargets(state, 1);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ExtractLargeFile)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMillisecond);

void BM_ExtractSmallFiles(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  BenchBook book(count, 4096);
  if (!book.ready()) {
    state.SkipWithError("could not build the book");
    return;
  }
  for (auto _ : state) {
    for (int i = 0; i < count; ++i) {
      if (!book.extract(i)) state.SkipWithError("the extraction failed");
    }
    book.removeTargets(state, count);
  }
  state.SetItemsProcessed(state.iterations() * count);
  state.SetBytesProcessed(state.iterations() * count * 4096);
}
BENCHMARK(BM_ExtractSmallFiles)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pagora
