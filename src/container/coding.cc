#include "container/coding.h"

#include <new>
#include <vector>

#include "container/format.h"
#include "container/scramble.h"

namespace pagora {

bool writeWord(ContainerOutput& out, std::int32_t value) {
  unsigned char bytes[4];
  encodeFixed32(static_cast<std::uint32_t>(value) ^ format::kWordScramble, bytes);
  return out.write(bytes, sizeof bytes) == sizeof bytes;
}

bool writeBytes(ContainerOutput& out, const void* bytes, std::size_t n) {
  if (n == 0) return true;
  std::vector<unsigned char> copy;
  try {
    const auto* first = static_cast<const unsigned char*>(bytes);
    copy.assign(first, first + n);
  } catch (const std::bad_alloc&) {
    return false;
  }
  scrambleBytes(copy.data(), n, format::kRecordScramble);
  return out.write(copy.data(), n) == static_cast<std::int64_t>(n);
}

bool writeText(ContainerOutput& out, const std::string& text) {
  if (text.size() > static_cast<std::size_t>(INT32_MAX)) return false;
  bool lengthWritten = writeWord(out, static_cast<std::int32_t>(text.size()));
  if (text.empty()) return lengthWritten;
  bool bytesWritten = writeBytes(out, text.data(), text.size());
  return lengthWritten && bytesWritten;
}

bool writeConstant(ContainerOutput& out, std::uint32_t value) {
  return writeWord(out, static_cast<std::int32_t>(value));
}

bool readWord(ContainerInput& in, std::int32_t& out) {
  unsigned char bytes[4];
  if (in.read(bytes, sizeof bytes) != sizeof bytes) return false;
  out = static_cast<std::int32_t>(decodeFixed32(bytes) ^ format::kWordScramble);
  return true;
}

bool readBytes(ContainerInput& in, void* buffer, std::size_t n) {
  if (n == 0) return true;
  std::int64_t got = in.read(buffer, n);
  if (got <= 0) return false;
  scrambleBytes(static_cast<unsigned char*>(buffer), static_cast<std::size_t>(got), format::kRecordScramble);
  return got == static_cast<std::int64_t>(n);
}

bool readText(ContainerInput& in, std::string& out) {
  out.clear();
  std::int32_t length = 0;
  if (!readWord(in, length)) return false;
  if (length == 0) return true;
  // A length the file cannot hold is refused before anything is allocated.
  if (length < 0 || length > in.remaining()) return false;
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  bool bytesRead = readBytes(in, buffer.data(), static_cast<std::size_t>(length));
  out.assign(buffer.data());  // cut at the first zero byte
  return bytesRead;
}

bool readConstant(ContainerInput& in, std::uint32_t expected) {
  std::int32_t value = 0;
  return readWord(in, value) && static_cast<std::uint32_t>(value) == expected;
}

}  // namespace pagora
