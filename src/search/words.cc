#include "search/words.h"

#include <glib.h>

#include <algorithm>
#include <array>

namespace pagora::search {
namespace {

constexpr auto kAsciiLettersAndDigits = [] {
  std::array<bool, 128> table{};
  for (char c = 'a'; c <= 'z'; ++c) table[static_cast<unsigned char>(c)] = true;
  for (char c = 'A'; c <= 'Z'; ++c) table[static_cast<unsigned char>(c)] = true;
  for (char c = '0'; c <= '9'; ++c) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

// Cuts a folded word to the limit without splitting a character.
void cutToLimit(std::string& word) {
  if (word.size() <= kMaxFoldedWordBytes) return;
  std::size_t end = kMaxFoldedWordBytes;
  while (end > 0 && (static_cast<unsigned char>(word[end]) & 0xC0) == 0x80) --end;
  word.resize(end);
}

}  // namespace

WordCursor::Kind WordCursor::kindAt(std::size_t& length) const {
  const auto lead = static_cast<unsigned char>(text_[at_]);
  if (lead < 0x80) {
    length = 1;
    return kAsciiLettersAndDigits[lead] ? Kind::kWordStart : Kind::kSeparator;
  }
  const gunichar c = g_utf8_get_char_validated(text_.data() + at_, static_cast<gssize>(text_.size() - at_));
  if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
    length = 1;
    return Kind::kSeparator;
  }
  length = static_cast<std::size_t>(g_utf8_skip[lead]);
  switch (g_unichar_type(c)) {
    case G_UNICODE_LOWERCASE_LETTER:
    case G_UNICODE_MODIFIER_LETTER:
    case G_UNICODE_OTHER_LETTER:
    case G_UNICODE_TITLECASE_LETTER:
    case G_UNICODE_UPPERCASE_LETTER:
    case G_UNICODE_DECIMAL_NUMBER:
    case G_UNICODE_LETTER_NUMBER:
    case G_UNICODE_OTHER_NUMBER:
      return Kind::kWordStart;
    case G_UNICODE_SPACING_MARK:
    case G_UNICODE_ENCLOSING_MARK:
    case G_UNICODE_NON_SPACING_MARK:
      return Kind::kWordContinuation;
    default:
      return Kind::kSeparator;
  }
}

bool WordCursor::next(std::size_t& begin, std::size_t& end) {
  const std::size_t size = text_.size();
  const auto byteAt = [this](std::size_t at) { return static_cast<unsigned char>(text_[at]); };
  // Separators, and marks that follow no letter.
  while (at_ < size) {
    const unsigned char lead = byteAt(at_);
    if (lead < 0x80) {
      if (kAsciiLettersAndDigits[lead]) break;
      ++at_;
      continue;
    }
    std::size_t length = 1;
    if (kindAt(length) == Kind::kWordStart) break;
    at_ += length;
  }
  if (at_ >= size) return false;
  begin = at_;
  wordIsAscii_ = true;
  while (at_ < size) {
    const unsigned char lead = byteAt(at_);
    if (lead < 0x80) {
      if (!kAsciiLettersAndDigits[lead]) break;
      ++at_;
      continue;
    }
    std::size_t length = 1;
    if (kindAt(length) == Kind::kSeparator) break;
    wordIsAscii_ = false;
    at_ += length;
  }
  end = at_;
  return true;
}

std::string_view foldedPart(std::string_view word) {
  std::size_t length = std::min(word.size(), 4 * kMaxFoldedWordBytes);
  while (length < word.size() && length > 0 && (static_cast<unsigned char>(word[length]) & 0xC0) == 0x80) --length;
  return word.substr(0, length);
}

std::size_t foldAsciiWord(std::string_view word, char* out) {
  const std::size_t length = std::min(word.size(), kMaxFoldedWordBytes);
  for (std::size_t i = 0; i < length; ++i) {
    const char c = word[i];
    out[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return length;
}

void foldWord(std::string_view word, std::string& out) {
  if (std::all_of(word.begin(), word.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    char folded[kMaxFoldedWordBytes];
    out.assign(folded, foldAsciiWord(word, folded));
    return;
  }
  word = foldedPart(word);
  g_autofree gchar* normalized = g_utf8_normalize(word.data(), static_cast<gssize>(word.size()), G_NORMALIZE_NFKC);
  if (normalized == nullptr) {
    out.clear();
    return;
  }
  g_autofree gchar* folded = g_utf8_casefold(normalized, -1);
  out.assign(folded);
  cutToLimit(out);
}

std::string foldWord(std::string_view word) {
  std::string folded;
  foldWord(word, folded);
  return folded;
}

}  // namespace pagora::search
