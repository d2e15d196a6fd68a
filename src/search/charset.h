// The character set a page is read in, and its bytes turned into the UTF-8
// that the HTML parser is given. A byte order mark decides first, then the
// page's own declaration (a <meta> element or the XML declaration), then the
// bytes: UTF-8 when they are valid UTF-8, else Windows-1252. Every decoded
// text is valid UTF-8 without NUL bytes: whatever cannot be decoded becomes
// U+FFFD, so no page can stop the parser or make it guess again.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pagora::search {

inline constexpr std::string_view kUtf8 = "UTF-8";
inline constexpr std::string_view kWindows1252 = "WINDOWS-1252";

struct ByteOrderMark {
  std::string_view charset;  // UTF-8, UTF-16LE or UTF-16BE
  std::size_t length = 0;
};

// The mark at the start of `bytes`, if there is one.
std::optional<ByteOrderMark> byteOrderMarkOf(std::string_view bytes);

// The charset a declared label stands for, as a browser reads it: the Latin-1
// and ASCII labels mean Windows-1252, a UTF-16 label in a page that could be
// read to find it means UTF-8, other labels are kept when iconv knows them.
// Nothing for a label that names no known charset.
std::optional<std::string> charsetForLabel(std::string_view label);

// The label in a Content-Type value such as "text/html; charset=koi8-r".
std::optional<std::string_view> charsetInContentType(std::string_view content);

// The label in the text of an XML declaration: `version="1.0" encoding="x"`.
std::optional<std::string_view> encodingInXmlDeclaration(std::string_view declaration);

bool isAscii(std::string_view bytes);

// True when `bytes` are valid UTF-8 (NUL bytes included).
bool isValidUtf8(std::string_view bytes);
// True when `bytes` are valid UTF-8 without NUL: text the parser takes as it is.
bool isCleanUtf8(std::string_view bytes);

// `bytes` as valid UTF-8 without NUL, read in `charset` (a result of the
// functions above). The view points into `bytes` when they could be used as
// they are, else into `scratch`.
std::string_view decodeToUtf8(std::string_view bytes, std::string_view charset, std::string& scratch);

}  // namespace pagora::search
