#include "support/book_image.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "container/coding.h"
#include "container/container_writer.h"
#include "container/format.h"
#include "platform/file.h"

namespace pagora::testing {
namespace {

[[noreturn]] void fail(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

void require(bool holds, const std::string& what) {
  if (!holds) fail(what);
}

}  // namespace

BookInfo sampleInfo() {
  BookInfo info;
  info.esbn = "test-book-1";
  info.title = "A Test Book";
  info.author = "Ada Example";
  info.authorEmail = "ada@example.org";
  info.webAddress = "https://www.example.org/book";
  info.publisher = "Example Press";
  info.contentsNotice = "free to share";
  info.printAllowed = 1;
  return info;
}

BookImage BookImage::build(const BookRecipe& recipe) {
  MemoryFile memory("pagora-test-image");
  BookImage image;
  {
    platform::File out(::dup(memory.descriptor()));
    require(out.isOpen(), "the book image cannot be written");
    require(out.write(recipe.viewer.data(), recipe.viewer.size()) == static_cast<std::int64_t>(recipe.viewer.size()),
            "the book image takes no viewer");
    ContainerWriter writer(out);
    require(writer.startData(), "the book image takes no data");
    image.entries_.resize(recipe.files.size());
    for (std::size_t i = 0; i < recipe.files.size(); ++i) {
      const TestFile& file = recipe.files[i];
      if (auto error = writer.appendFile({file.name, "", file.bytes}, image.entries_[i])) {
        throw std::runtime_error("the book image takes no " + file.name + ": " + error->reason);
      }
    }
    image.info_ = recipe.info;
    image.info_.fileCount = static_cast<std::int32_t>(recipe.files.size());
    if (recipe.editRecords) recipe.editRecords(image.info_, image.entries_);
    require(writer.writeHeader(image.info_) && writer.writeStringList(recipe.strings) &&
                writer.writeFileTable(image.entries_),
            "the book image takes no records");
    require(writer.writeTrailer(), "the book image takes no trailer");
    image.trailer_ = writer.trailer();
  }
  struct stat st {};
  require(::fstat(memory.descriptor(), &st) == 0, "the book image cannot be measured");
  image.bytes_.resize(static_cast<std::size_t>(st.st_size));
  require(::pread(memory.descriptor(), image.bytes_.data(), image.bytes_.size(), 0) == st.st_size,
          "the book image cannot be read back");
  image.trailerAt_ = image.size() - ContainerTrailer::kEncodedSize;
  return image;
}

BookImage BookImage::of(std::vector<TestFile> files, RecordEdit editRecords) {
  BookRecipe recipe;
  recipe.files = std::move(files);
  recipe.editRecords = std::move(editRecords);
  return build(recipe);
}

std::int64_t BookImage::esbnLength() const {
  // After the magic, the first reserved text and two reserved words.
  return headerAt() + kWordSize + encodedTextSize(info_.reservedText1.size()) + 2 * kWordSize;
}

std::int64_t BookImage::titleLength() const { return esbnLength() + encodedTextSize(info_.esbn.size()); }

std::int64_t BookImage::checkValue(int index) const {
  std::int64_t position = titleLength();
  for (const std::string* text : {&info_.title, &info_.author, &info_.authorEmail, &info_.webAddress,
                                  &info_.publisher, &info_.contentsNotice}) {
    position += encodedTextSize(text->size());
  }
  return position + kWordSize * index;
}

std::int64_t BookImage::zeroWord(int index) const { return checkValue(12) + kWordSize * index; }

std::int64_t BookImage::entryAt(int index) const {
  std::int64_t position = fileTableAt() + 2 * kWordSize;
  for (int i = 0; i < index; ++i) position += entries_.at(static_cast<std::size_t>(i)).encodedSize();
  return position;
}

std::int64_t BookImage::entryOffset(int index) const {
  // After the magic, the name and the reserved flag.
  return entryAt(index) + kWordSize + encodedTextSize(entries_.at(static_cast<std::size_t>(index)).name.size()) +
         kWordSize;
}

std::vector<std::int64_t> BookImage::magics() const {
  std::vector<std::int64_t> positions = {trailerField(0), trailerField(5), headerAt(), headerEndMagic(),
                                         stringListAt(), fileTableAt()};
  for (int i = 0; i < static_cast<int>(entries_.size()); ++i) positions.push_back(entryAt(i));
  return positions;
}

std::int32_t BookImage::word(std::int64_t position) const {
  if (position < 0 || position + 4 > size()) throw std::out_of_range("no word at " + std::to_string(position));
  const auto* bytes = reinterpret_cast<const unsigned char*>(bytes_.data()) + position;
  return static_cast<std::int32_t>(decodeFixed32(bytes) ^ format::kWordScramble);
}

void BookImage::setWord(std::int64_t position, std::int64_t value) {
  if (position < 0 || position + 4 > size()) throw std::out_of_range("no word at " + std::to_string(position));
  encodeFixed32(static_cast<std::uint32_t>(value) ^ format::kWordScramble,
                reinterpret_cast<unsigned char*>(bytes_.data()) + position);
}

void BookImage::flipBit(std::int64_t position, int bit) {
  bytes_.at(static_cast<std::size_t>(position)) ^= static_cast<char>(1 << bit);
}

void BookImage::xorFrom(std::int64_t start, std::uint8_t key) {
  for (std::size_t i = static_cast<std::size_t>(start); i < bytes_.size(); ++i) bytes_[i] ^= static_cast<char>(key);
}

void BookImage::truncate(std::int64_t size) { bytes_.resize(static_cast<std::size_t>(size)); }

void BookImage::cutKeepingTrailer(std::int64_t at) {
  const std::string trailer = bytes_.substr(static_cast<std::size_t>(trailerAt_));
  bytes_.resize(static_cast<std::size_t>(at));
  bytes_ += trailer;
}

void BookImage::writeTo(const std::string& path) const {
  ::unlink(path.c_str());
  platform::File out = platform::File::create(path, 0755);
  require(out.isOpen(), "cannot create " + path);
  require(out.write(bytes_.data(), bytes_.size()) == size(), "cannot write " + path);
}

MemoryFile::MemoryFile(const char* name) : descriptor_(::memfd_create(name, MFD_CLOEXEC)) {
  require(descriptor_ >= 0, "memfd_create");
  path_ = "/proc/self/fd/" + std::to_string(descriptor_);
}

MemoryFile::~MemoryFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

void MemoryFile::assign(const void* data, std::size_t size) {
  require(::ftruncate(descriptor_, 0) == 0, "the memory file cannot be emptied");
  const auto* bytes = static_cast<const char*>(data);
  for (std::size_t done = 0; done < size;) {
    const ssize_t put = ::pwrite(descriptor_, bytes + done, size - done, static_cast<off_t>(done));
    require(put > 0, "the memory file cannot be filled");
    done += static_cast<std::size_t>(put);
  }
}

}  // namespace pagora::testing
