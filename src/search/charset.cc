#include "search/charset.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <type_traits>

namespace pagora::search {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Labels as browsers group them; anything else goes to iconv by name.
constexpr std::string_view kUtf8Labels[] = {
    "utf-8", "utf8", "unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "x-unicode20utf8",
    // A page whose declaration could be read in ASCII is not UTF-16.
    "utf-16", "utf-16le", "utf-16be", "unicode", "unicodefeff", "unicodefffe", "ucs-2", "csunicode", "iso-10646-ucs-2"};
constexpr std::string_view kWindows1252Labels[] = {
    "windows-1252", "cp1252",          "x-cp1252", "iso-8859-1", "iso8859-1",      "iso_8859-1",
    "iso88591",     "iso_8859-1:1987", "latin1",   "l1",         "cp819",          "ibm819",
    "iso-ir-100",   "csisolatin1",     "us-ascii", "ascii",      "ansi_x3.4-1968", "x-user-defined"};

// Bytes 0x80 to 0x9F in Windows-1252; 0 where the code page defines nothing.
constexpr std::array<char16_t, 32> kWindows1252High = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                                       0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

struct IconvCloser {
  void operator()(std::remove_pointer_t<GIConv>* converter) const { g_iconv_close(converter); }
};
using Converter = std::unique_ptr<std::remove_pointer_t<GIConv>, IconvCloser>;

Converter openConverter(const char* from) {
  GIConv converter = g_iconv_open("UTF-8", from);
  if (converter == reinterpret_cast<GIConv>(-1)) return nullptr;
  return Converter(converter);
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool isAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isAsciiSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isAsciiSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::size_t findNoCase(std::string_view text, std::string_view word, std::size_t from) {
  for (std::size_t at = from; at + word.size() <= text.size(); ++at) {
    if (std::equal(word.begin(), word.end(), text.begin() + at, [](char a, char b) { return a == asciiLower(b); })) {
      return at;
    }
  }
  return std::string_view::npos;
}

// A quoted value, or one that runs to white space or ';'.
std::string_view valueAt(std::string_view text) {
  if (!text.empty() && (text.front() == '"' || text.front() == '\'')) {
    const std::size_t close = text.find(text.front(), 1);
    return close == std::string_view::npos ? std::string_view() : text.substr(1, close - 1);
  }
  std::size_t end = 0;
  while (end < text.size() && !isAsciiSpace(text[end]) && text[end] != ';' && text[end] != '"' && text[end] != '\'') {
    ++end;
  }
  return text.substr(0, end);
}

void appendCodePoint(std::string& out, char32_t c) {
  char encoded[6];
  out.append(encoded, static_cast<std::size_t>(g_unichar_to_utf8(c, encoded)));
}

// Valid UTF-8 without NUL: each byte that does not begin a valid sequence,
// and each NUL, becomes U+FFFD.
void appendValidUtf8(std::string& out, std::string_view bytes) {
  const char* at = bytes.data();
  const char* const end = at + bytes.size();
  while (at < end) {
    const gchar* validEnd = at;
    g_utf8_validate_len(at, static_cast<gsize>(end - at), &validEnd);
    out.append(at, validEnd);
    at = validEnd;
    if (at < end) {
      out += kReplacement;
      ++at;
    }
  }
}

void decodeWindows1252(std::string& out, std::string_view bytes) {
  out.reserve(bytes.size() + bytes.size() / 4);
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    if (value == 0) {
      out += kReplacement;
    } else if (value < 0x80) {
      out += byte;
    } else if (value < 0xA0) {
      const char16_t mapped = kWindows1252High[value - 0x80];
      if (mapped == 0) {
        out += kReplacement;
      } else {
        appendCodePoint(out, mapped);
      }
    } else {
      appendCodePoint(out, value);
    }
  }
}

// Through iconv; a byte it cannot decode becomes U+FFFD and decoding goes on
// after it.
void decodeWithIconv(std::string& out, std::string_view bytes, GIConv converter) {
  std::string decoded;
  decoded.reserve(bytes.size() * 2);
  auto* in = const_cast<gchar*>(bytes.data());
  gsize inLeft = bytes.size();
  char buffer[16384];
  bool flushed = false;
  while (!flushed) {
    gchar* outAt = buffer;
    gsize outLeft = sizeof buffer;
    const bool flushing = inLeft == 0;
    const gsize result = flushing ? g_iconv(converter, nullptr, nullptr, &outAt, &outLeft)
                                  : g_iconv(converter, &in, &inLeft, &outAt, &outLeft);
    const int error = errno;
    decoded.append(buffer, static_cast<std::size_t>(outAt - buffer));
    if (result != static_cast<gsize>(-1)) {
      flushed = flushing;
    } else if (error != E2BIG) {
      // EILSEQ, or EINVAL for a sequence cut off at the end.
      decoded += kReplacement;
      if (inLeft > 0) {
        ++in;
        --inLeft;
      }
      g_iconv(converter, nullptr, nullptr, nullptr, nullptr);
      if (flushing) flushed = true;
    }
  }
  appendValidUtf8(out, decoded);
}

}  // namespace

std::optional<ByteOrderMark> byteOrderMarkOf(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return ByteOrderMark{kUtf8, 3};
  if (bytes.starts_with("\xFF\xFE")) return ByteOrderMark{"UTF-16LE", 2};
  if (bytes.starts_with("\xFE\xFF")) return ByteOrderMark{"UTF-16BE", 2};
  return std::nullopt;
}

std::optional<std::string> charsetForLabel(std::string_view label) {
  label = trimmed(label);
  if (label.empty() || label.size() > 64) return std::nullopt;
  std::string lower(label);
  std::transform(lower.begin(), lower.end(), lower.begin(), asciiLower);
  auto among = [&lower](const auto& labels) {
    return std::find(std::begin(labels), std::end(labels), lower) != std::end(labels);
  };
  if (among(kUtf8Labels)) return std::string(kUtf8);
  if (among(kWindows1252Labels)) return std::string(kWindows1252);
  if (lower.find_first_of(std::string_view("\0/", 2)) != std::string::npos) return std::nullopt;
  if (!openConverter(lower.c_str())) return std::nullopt;
  std::string name(label);
  std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(g_ascii_toupper(c)); });
  return name;
}

std::optional<std::string_view> charsetInContentType(std::string_view content) {
  for (std::size_t at = findNoCase(content, "charset", 0); at != std::string_view::npos;
       at = findNoCase(content, "charset", at + 1)) {
    std::string_view rest = content.substr(at + 7);
    while (!rest.empty() && isAsciiSpace(rest.front())) rest.remove_prefix(1);
    if (rest.empty() || rest.front() != '=') continue;
    rest.remove_prefix(1);
    while (!rest.empty() && isAsciiSpace(rest.front())) rest.remove_prefix(1);
    const std::string_view value = valueAt(rest);
    if (!value.empty()) return value;
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::string_view> encodingInXmlDeclaration(std::string_view declaration) {
  for (std::size_t at = declaration.find("encoding"); at != std::string_view::npos;
       at = declaration.find("encoding", at + 1)) {
    std::string_view rest = declaration.substr(at + 8);
    while (!rest.empty() && isAsciiSpace(rest.front())) rest.remove_prefix(1);
    if (rest.empty() || rest.front() != '=') continue;
    rest.remove_prefix(1);
    while (!rest.empty() && isAsciiSpace(rest.front())) rest.remove_prefix(1);
    if (rest.empty() || (rest.front() != '"' && rest.front() != '\'')) return std::nullopt;
    const std::string_view value = valueAt(rest);
    if (!value.empty()) return value;
    return std::nullopt;
  }
  return std::nullopt;
}

bool isCleanUtf8(std::string_view bytes) { return g_utf8_validate_len(bytes.data(), bytes.size(), nullptr); }

bool isValidUtf8(std::string_view bytes) {
  for (std::size_t at = 0; at <= bytes.size();) {
    const std::size_t nul = std::min(bytes.find('\0', at), bytes.size());
    if (!isCleanUtf8(bytes.substr(at, nul - at))) return false;
    at = nul + 1;
  }
  return true;
}

bool isAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string_view decodeToUtf8(std::string_view bytes, std::string_view charset, std::string& scratch) {
  scratch.clear();
  if (charset == kUtf8) {
    if (isCleanUtf8(bytes)) return bytes;
    scratch.reserve(bytes.size());
    appendValidUtf8(scratch, bytes);
  } else if (charset == kWindows1252) {
    decodeWindows1252(scratch, bytes);
  } else if (const Converter converter = openConverter(std::string(charset).c_str())) {
    decodeWithIconv(scratch, bytes, converter.get());
  } else {
    decodeWindows1252(scratch, bytes);
  }
  return scratch;
}

}  // namespace pagora::search
