// Fuzzes the reader with each input taken as a whole book, read through
// ContainerReader(path) from an in-memory file: the trailer, the header with
// its check values, the string list and the file table, each at its offset,
// then the extraction of every stored file into a scratch folder through
// BookExtractor, as the load does it. Beyond what the sanitizers catch, it
// checks that records which read write back to the same records, that an
// entry the shared validation refuses is never extracted, and that each
// extracted file holds exactly its descrambled bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "container/book_extractor.h"
#include "container/book_validation.h"
#include "container/format.h"
#include "container/stored_name.h"
#include "fuzz_require.h"
#include "support/book_image.h"
#include "support/scratch_folder.h"

namespace pagora::fuzz {
namespace {

// Larger inputs only repeat what smaller ones reach, more slowly; a stored
// file of two transfers still fits.
constexpr std::size_t kMaxInput = 2 * format::kTransferBufferSize + 64 * 1024;
// Entries may all point at the same data; this bounds the writing per input.
constexpr int kMaxExtractions = 32;

// The same record routines write what was read; reading that again must give
// the same records.
void requireRoundTrip(const ParsedBook& book, testing::MemoryFile& rewritten) {
  testing::BookRecipe recipe;
  recipe.viewer.clear();
  recipe.editRecords = [&](BookInfo& info, std::vector<BookFileEntry>& entries) {
    info = book.info;
    entries = book.fileTable.entries();
  };
  rewritten.assign(testing::BookImage::build(recipe).bytes());
  ContainerReader reader(rewritten.path());
  ParsedBook again;
  require(reader.parse(again.info, again.fileTable, again.trailer), "records written back read again");
  require(again.info == book.info, "the header reads back the same");
  require(again.fileTable.entries() == book.fileTable.entries(), "the file table reads back the same");
}

void requireExtractedBytes(const std::string& path, const BookFileEntry& entry, const ContainerTrailer& trailer,
                           const std::uint8_t* data, std::size_t size) {
  const std::string written = testing::readFile(path);
  if (entry.size <= 0) {
    require(written.empty(), "a size of zero or less gives an empty file");
    return;
  }
  const std::int64_t start = std::int64_t{trailer.dataBase} + entry.offset;
  require(start >= 0 && start + entry.size <= static_cast<std::int64_t>(size), "extracted data lies inside the book");
  require(written.size() == static_cast<std::size_t>(entry.size), "the extracted file has the entry's size");
  for (std::size_t i = 0; i < written.size(); ++i) {
    const auto expected = static_cast<std::uint8_t>(data[start + static_cast<std::int64_t>(i)] ^ format::kDataScramble);
    if (static_cast<std::uint8_t>(written[i]) != expected) require(false, "the extracted file holds its data");
  }
}

void extractAll(ContainerReader& reader, const ParsedBook& book, const testing::ScratchFolder& scratch,
                const std::uint8_t* data, std::size_t size) {
  const platform::Directory root = platform::Directory::open(scratch.path());
  require(root.isOpen(), "the scratch folder opens");
  BookExtractor extractor(reader, book, root);
  const int count = std::min(book.fileTable.count(), kMaxExtractions);
  for (int i = 0; i < count; ++i) {
    const BookFileEntry& entry = book.fileTable.entryAt(i);
    const bool refused = !entryProblem(entry, book.trailer, static_cast<std::int64_t>(size)).empty();
    const bool extracted = extractor.extract(i);
    require(!refused || !extracted, "an entry the validation refuses is never extracted");
    require(isSafeStoredName(entry.name) || !extracted, "an unsafe name is never extracted");
    if (extracted) {
      requireExtractedBytes(scratch / storedNameToRelativePath(entry.name), entry, book.trailer, data, size);
    }
  }
}

}  // namespace
}  // namespace pagora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pagora;
  if (size > fuzz::kMaxInput) return 0;
  static testing::MemoryFile book("book");
  static testing::MemoryFile rewritten("rewritten");
  static testing::ScratchFolder scratch;

  book.assign(data, size);
  ContainerReader reader(book.path());
  ParsedBook parsed;
  if (!reader.parse(parsed.info, parsed.fileTable, parsed.trailer)) return 0;
  fuzz::requireRoundTrip(parsed, rewritten);
  fuzz::extractAll(reader, parsed, scratch, data, size);
  scratch.empty();
  return 0;
}
