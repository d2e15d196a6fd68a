#include "container/book_info.h"

#include "container/coding.h"
#include "container/container_stream.h"
#include "container/format.h"
#include "container/text_hash.h"

namespace pagora {

std::array<std::uint32_t, 12> headerCheckValues(const BookInfo& info) {
  // Lengths are 32-bit words on disk, so they add and wrap as 32-bit values.
  auto length = [](const std::string& text) { return static_cast<std::uint32_t>(text.size()); };
  auto hash = [](const std::string& text) { return static_cast<std::uint32_t>(textHash(text)); };
  const std::uint32_t title = length(info.title);
  const std::uint32_t author = length(info.author);
  const std::uint32_t publisher = length(info.publisher);
  const std::uint32_t notice = length(info.contentsNotice);
  return {
      title + author,       author + publisher,       title + notice,        title + author,
      title ^ author,       author ^ publisher,       title ^ notice,        title ^ author,
      hash(info.title),     hash(info.title + info.author), hash(info.author), hash(info.contentsNotice),
  };
}

std::int64_t BookInfo::encodedSize() const {
  // Magic, two reserved words, twelve check values, four zero words, the
  // print permission, a reserved word, the file count and the end magic.
  std::int64_t size = 23 * kWordSize;
  for (const std::string* text : {&reservedText1, &esbn, &title, &author, &authorEmail, &webAddress, &publisher,
                                  &contentsNotice, &reservedText2, &reservedText3}) {
    size += encodedTextSize(text->size());
  }
  return size;
}

bool BookInfo::exchange(ContainerStream& stream) {
  if (!stream.exchangeConstant(format::HEADER_MAGIC) || !stream.exchangeText(reservedText1) ||
      !stream.exchangeWord(reservedWord1) || !stream.exchangeWord(reservedWord2)) {
    return false;
  }
  for (std::string* text : {&esbn, &title, &author, &authorEmail, &webAddress, &publisher, &contentsNotice}) {
    if (!stream.exchangeText(*text)) return false;
  }
  // Loading computes these from the texts just read, storing from those about
  // to be written, so the same sequence verifies or writes them.
  for (std::uint32_t checkValue : headerCheckValues(*this)) {
    if (!stream.exchangeConstant(checkValue)) return false;
  }
  for (int i = 0; i < 4; ++i) {
    if (!stream.exchangeConstant(0)) return false;
  }
  return stream.exchangeWord(printAllowed) && stream.exchangeWord(reservedWord3) &&
         stream.exchangeText(reservedText2) && stream.exchangeText(reservedText3) &&
         stream.exchangeWord(fileCount) && stream.exchangeConstant(format::HEADER_END_MAGIC);
}

}  // namespace pagora
