// Words and how they compare. A word is a run of letters and digits of any
// script, with the combining marks that follow them; everything else, and any
// byte that is not valid UTF-8, separates words. Words compare after folding:
// compatibility normalisation (NFKC), then full Unicode case folding, so
// "Straße", "STRASSE" and "strasse" fold alike, as do "ﬁle" and "FILE".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pagora::search {

// Folded words are cut to this many bytes, at a character boundary: no
// reader types more, and one page of a 50 MB run of letters must not put a
// word of that size into the index. Page and query words are cut alike.
inline constexpr std::size_t kMaxFoldedWordBytes = 64;

// Steps through the words of a UTF-8 text, giving each one's byte range.
class WordCursor {
 public:
  explicit WordCursor(std::string_view text) : text_(text) {}

  // The next word's range [begin, end); false when there is none left.
  bool next(std::size_t& begin, std::size_t& end);
  // Whether the word next() gave last is all ASCII, which folds by lower case alone.
  bool wordIsAscii() const { return wordIsAscii_; }

 private:
  enum class Kind { kSeparator, kWordStart, kWordContinuation };
  Kind kindAt(std::size_t& length) const;

  std::string_view text_;
  std::size_t at_ = 0;
  bool wordIsAscii_ = true;
};

// Calls visit(word) for each word of `text`, in order.
template <typename Visit>
void forEachWord(std::string_view text, Visit&& visit) {
  WordCursor cursor(text);
  for (std::size_t begin, end; cursor.next(begin, end);) visit(text.substr(begin, end - begin));
}

// The part of a word that folding reads: normalising never shrinks a text to
// a quarter, so the first 4 * kMaxFoldedWordBytes bytes (whole characters)
// fill the cut folded word. Words that share it fold alike.
std::string_view foldedPart(std::string_view word);

// `word` folded, into `out` (replacing what it held).
void foldWord(std::string_view word, std::string& out);
// An all-ASCII word folded into `out`, which has room for kMaxFoldedWordBytes;
// returns the folded length. The same as foldWord, without a call to GLib.
std::size_t foldAsciiWord(std::string_view word, char* out);
std::string foldWord(std::string_view word);

}  // namespace pagora::search
