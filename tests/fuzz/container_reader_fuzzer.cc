// Fuzzes the reader with each input taken as a whole book, read through
// ContainerReader(path) from an in-memory file: the trailer, the header with
// its check values, the string list and the file table, each at its offset,
// then the extraction of every stored file into a scratch folder as the load
// does it. Beyond what the sanitizers catch, it checks that records which read
// write back to the same records, that an unsafe name is never written, and
// that each extracted file holds exactly its descrambled bytes.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "container/container_reader.h"
#include "container/container_writer.h"
#include "container/format.h"
#include "container/stored_name.h"
#include "fuzz_support.h"

namespace pagora::fuzz {
namespace {

// Larger inputs only repeat what smaller ones reach, more slowly.
constexpr std::size_t kMaxInput = 256 * 1024;
// Entries may all point at the same data; this bounds the writing per input.
constexpr int kMaxExtractions = 32;

bool sameInfo(const BookInfo& a, const BookInfo& b) {
  return a.reservedText1 == b.reservedText1 && a.reservedWord1 == b.reservedWord1 &&
         a.reservedWord2 == b.reservedWord2 && a.esbn == b.esbn && a.title == b.title && a.author == b.author &&
         a.authorEmail == b.authorEmail && a.webAddress == b.webAddress && a.publisher == b.publisher &&
         a.contentsNotice == b.contentsNotice && a.printAllowed == b.printAllowed &&
         a.reservedWord3 == b.reservedWord3 && a.reservedText2 == b.reservedText2 &&
         a.reservedText3 == b.reservedText3 && a.fileCount == b.fileCount;
}

bool sameEntries(const BookFileTable& a, const BookFileTable& b) {
  return std::equal(a.entries().begin(), a.entries().end(), b.entries().begin(), b.entries().end(),
                    [](const BookFileEntry& x, const BookFileEntry& y) {
                      return x.name == y.name && x.reservedFlag == y.reservedFlag && x.offset == y.offset &&
                             x.size == y.size;
                    });
}

// The same record routines write what was read; reading that again must give
// the same records.
void requireRoundTrip(const BookInfo& info, const BookFileTable& table, InputFile& rewritten) {
  rewritten.assign(nullptr, 0);
  {
    platform::File out(::dup(rewritten.descriptor()));
    require(out.isOpen() && out.seek(0), "the rewritten book opens");
    ContainerWriter writer(out);
    require(writer.startData() && writer.writeHeader(info) && writer.writeStringList({}) &&
                writer.writeFileTable(table.entries()) && writer.writeTrailer(),
            "records that were read can be written");
  }
  ContainerReader reader(rewritten.path());
  BookInfo infoAgain;
  BookFileTable tableAgain;
  ContainerTrailer trailerAgain;
  require(reader.parse(infoAgain, tableAgain, trailerAgain), "records written back read again");
  require(sameInfo(info, infoAgain), "the header reads back the same");
  require(sameEntries(table, tableAgain), "the file table reads back the same");
}

// Makes the folders a safe name needs inside `base`, one at a time, as the
// load does.
void makeParents(const platform::Directory& base, const std::string& name) {
  const std::string relative = storedNameToRelativePath(name);
  platform::Directory current;
  for (std::size_t start = 0, end; (end = relative.find('/', start)) != std::string::npos; start = end + 1) {
    const std::string segment = relative.substr(start, end - start);
    const platform::Directory& parent = current.isOpen() ? current : base;
    parent.makeFolder(segment);
    platform::Directory next = parent.openFolder(segment);
    if (!next.isOpen()) return;
    current = std::move(next);
  }
}

void requireExtractedBytes(const std::string& path, const BookFileEntry& entry, const ContainerTrailer& trailer,
                           const std::uint8_t* data, std::size_t size) {
  std::ifstream in(path, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

void extractAll(ContainerReader& reader, const BookFileTable& table, const ContainerTrailer& trailer,
                const ScratchFolder& scratch, const std::uint8_t* data, std::size_t size) {
  const int count = std::min(table.count(), kMaxExtractions);
  for (int i = 0; i < count; ++i) {
    const BookFileEntry entry = table.entryAt(i);
    const bool safe = isSafeStoredName(entry.name);
    if (safe) makeParents(scratch.directory(), entry.name);
    const bool extracted = reader.extractFile(table, i, trailer, scratch.directory());
    require(safe || !extracted, "an unsafe name is never extracted");
    if (extracted) {
      requireExtractedBytes(scratch.path() + storedNameToRelativePath(entry.name), entry, trailer, data, size);
    }
  }
}

}  // namespace
}  // namespace pagora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pagora;
  if (size > pagora::fuzz::kMaxInput) return 0;
  static fuzz::InputFile book("book");
  static fuzz::InputFile rewritten("rewritten");
  static fuzz::ScratchFolder scratch;

  book.assign(data, size);
  ContainerReader reader(book.path());
  BookInfo info;
  BookFileTable table;
  ContainerTrailer trailer;
  if (!reader.parse(info, table, trailer)) return 0;
  fuzz::requireRoundTrip(info, table, rewritten);
  fuzz::extractAll(reader, table, trailer, scratch, data, size);
  scratch.empty();
  return 0;
}
