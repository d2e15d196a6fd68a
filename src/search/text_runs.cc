#include "search/text_runs.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace pagora::search {
namespace {

using namespace text_runs;

// Shorter runs cost the parser less than their stand-in would save.
constexpr std::size_t kShortestRun = 8;

bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool isAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Bytes that end a run: what starts or ends markup, a reference or a quoted
// value, and the control characters that the parser drops from text (form
// feed among them).
constexpr auto kEndsRun = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 0x20; ++c) table[c] = c != '\t' && c != '\n' && c != '\r';
  table['<'] = table['&'] = table['>'] = table['"'] = table['\''] = true;
  return table;
}();

// What the parser may take for part of a reference's name after '&'.
bool continuesReference(unsigned char c) {
  return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '#' || c == '.' || c == '-' || c == '_' || c == ':' ||
         c >= 0x80;
}

// Whether the page holds characters of its own that would pass for stand-ins:
// written, or as a numeric character reference.
bool holdsStandInCharacters(std::string_view page) {
  if (page.find('\xEE') != std::string_view::npos) return true;
  for (std::size_t at = page.find('\xEF'); at != std::string_view::npos; at = page.find('\xEF', at + 1)) {
    if (at + 1 < page.size() && static_cast<unsigned char>(page[at + 1]) <= 0xA3) return true;
  }
  for (std::size_t at = page.find("&#"); at != std::string_view::npos; at = page.find("&#", at + 2)) {
    std::uint64_t value = 0;
    std::size_t digit = at + 2;
    const bool hex = digit < page.size() && (page[digit] == 'x' || page[digit] == 'X');
    if (hex) ++digit;
    for (; digit < page.size() && value < 0x110000; ++digit) {
      const auto c = static_cast<unsigned char>(page[digit]);
      if (c >= '0' && c <= '9') {
        value = value * (hex ? 16 : 10) + (c - '0');
      } else if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
        value = value * 16 + ((c | 0x20) - 'a' + 10);
      } else {
        break;
      }
    }
    if (value >= 0xE000 && value <= 0xF8FF) return true;
  }
  return false;
}

void appendCharacter(std::string& out, std::size_t value) {
  out += static_cast<char>(0xE0 | (value >> 12));
  out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (value & 0x3F));
}

// The end of the markup that starts at `at` (a '<'): past its '>', or past
// "-->" for a comment. Quoted values in a tag may hold '>'.
std::size_t endOfMarkup(std::string_view page, std::size_t at) {
  if (page.compare(at, 4, "<!--") == 0) {
    const std::size_t end = page.find("-->", at + 4);
    return end == std::string_view::npos ? page.size() : end + 3;
  }
  char quote = 0;
  for (std::size_t i = at + 1; i < page.size(); ++i) {
    const char c = page[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return page.size();
}

// Whether the tag that starts at `at` opens a script or style, whose content
// the parser takes as it is.
bool opensRawText(std::string_view page, std::size_t at) {
  for (const std::string_view name : {"script", "style"}) {
    if (page.size() - at <= name.size() + 1) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i) same = (page[at + 1 + i] | 0x20) == name[i];
    const char after = page[at + 1 + name.size()];
    if (same && (isSpace(static_cast<unsigned char>(after)) || after == '>' || after == '/')) return true;
  }
  return false;
}

}  // namespace

std::string_view TextRuns::standIn(std::string_view page, std::string& scratch) {
  runs_.clear();
  standInAt_.clear();
  pendingHigh_ = kNoHigh;
  restored_ = 0;
  inOrder_ = true;
  if (holdsStandInCharacters(page)) return page;
  scratch.clear();
  scratch.reserve(page.size() / 4 + 64);
  runs_.reserve(page.size() / 64);
  const auto byteAt = [&](std::size_t at) { return static_cast<unsigned char>(page[at]); };
  // The next '<' and '&' at or after a place, each found once by memchr.
  std::size_t nextTag = page.find('<');
  std::size_t nextReference = page.find('&');
  const auto nextMarkup = [&](std::size_t from) {
    if (nextTag != std::string_view::npos && nextTag < from) nextTag = page.find('<', from);
    if (nextReference != std::string_view::npos && nextReference < from) nextReference = page.find('&', from);
    return std::min(std::min(nextTag, nextReference), page.size());
  };
  std::size_t at = 0;
  // The parser takes a byte order mark that opens its input for one, not for text.
  if (page.starts_with("\xEF\xBB\xBF")) {
    scratch.append(page.substr(0, 3));
    at = 3;
  }
  while (at < page.size()) {
    const unsigned char c = byteAt(at);
    if (c == '<') {
      // Whatever may start a tag (the parser takes more than letters for a
      // name) goes to the parser whole, up to its '>'.
      const bool tag = at + 1 < page.size() && !isSpace(byteAt(at + 1));
      std::size_t end = tag ? endOfMarkup(page, at) : at + 1;
      // A script or style runs to the first "</" and a letter: the parser's own rule.
      if (tag && opensRawText(page, at)) {
        std::size_t close = end;
        while ((close = page.find("</", close)) != std::string_view::npos && close + 2 < page.size() &&
               !isAsciiLetter(byteAt(close + 2))) {
          close += 2;
        }
        end = close == std::string_view::npos ? page.size() : close;
      }
      scratch.append(page.data() + at, end - at);
      at = end;
      continue;
    }
    if (c == '&') {
      // A reference is the parser's to read, with whatever follows it.
      std::size_t end = at + 1;
      while (end < page.size() && continuesReference(byteAt(end))) ++end;
      if (end < page.size() && page[end] == ';') ++end;
      scratch.append(page.data() + at, end - at);
      at = end;
      continue;
    }
    if (kEndsRun[c]) {
      scratch += page[at++];
      continue;
    }
    // Plain text up to the next markup: its white space stays at either end.
    const std::size_t limit = nextMarkup(at);
    std::size_t end = at;
    while (end < limit && !kEndsRun[byteAt(end)]) ++end;
    std::size_t first = at;
    while (first < end && isSpace(byteAt(first))) ++first;
    std::size_t last = end;
    while (last > first && isSpace(byteAt(last - 1))) --last;
    // U+FFFE and U+FFFF the parser drops from text: such a run stays as it is.
    const std::string_view run = page.substr(first, last - first);
    if (run.size() < kShortestRun || runs_.size() >= kMaxRuns || run.find("\xEF\xBF\xBE") != std::string_view::npos ||
        run.find("\xEF\xBF\xBF") != std::string_view::npos) {
      scratch.append(page.data() + at, end - at);
      at = end;
      continue;
    }
    scratch.append(page.data() + at, first - at);
    standInAt_.push_back(scratch.size());
    appendCharacter(scratch, 0xE000 + runs_.size() / kLowCount);
    appendCharacter(scratch, 0xF000 + runs_.size() % kLowCount);
    runs_.push_back(run);
    scratch.append(page.data() + last, end - last);
    at = end;
  }
  return scratch;
}

bool TextRuns::restoredUpTo(std::size_t parsed) const {
  const auto before = std::lower_bound(standInAt_.begin(), standInAt_.end(), parsed) - standInAt_.begin();
  return inOrder_ && restored_ == static_cast<std::size_t>(before);
}

}  // namespace pagora::search
