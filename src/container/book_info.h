// BookInfo: the book's descriptive record, the header section in memory.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace pagora {

class ContainerStream;

struct BookInfo {
  std::string reservedText1;
  std::int32_t reservedWord1 = 0;
  std::int32_t reservedWord2 = 0;
  std::string esbn;
  std::string title;
  std::string author;
  std::string authorEmail;
  std::string webAddress;
  std::string publisher;
  std::string contentsNotice;
  std::int32_t printAllowed = 0;
  std::int32_t reservedWord3 = 0;
  std::string reservedText2;
  std::string reservedText3;
  std::int32_t fileCount = 0;

  // The header in both directions; loading verifies both magics, the twelve
  // check values and the four zero words. A failure leaves the fields read so far.
  bool exchange(ContainerStream& stream);

  // The bytes the header section takes, from the texts it holds.
  std::int64_t encodedSize() const;

  bool operator==(const BookInfo&) const = default;
};

// The twelve check values of a header, computed from the texts as held: text
// lengths and textHash of the title, the author and the contents notice.
std::array<std::uint32_t, 12> headerCheckValues(const BookInfo& info);

}  // namespace pagora
