// TextRuns: most of a page's bytes are plain text, which libxml2's HTML
// parser reads a character at a time. Before the page is parsed, each long
// run of plain text between the markup is stood in for by two characters of
// Unicode's private use area; the parser then reads the markup and the stand-
// ins, and the runs are put back wherever it reports the stand-ins as text.
// A run holds no '<', '&', '>', quote or character the parser drops, and its
// white space at either end stays outside the stand-in, so the parser finds
// the same tags, references and quoted values in the same places, and each
// piece of text blank or not as before. Where it reads a stand-in as part of
// markup instead (broken markup that this scan reads otherwise), not every
// run comes back as text: restoredUpTo() says so, and the page is read again
// as it is. A page that holds private-use characters of its own, written or
// as references, is parsed as it is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pagora::search {

class TextRuns {
 public:
  // The page (valid UTF-8 without NUL) with its runs stood in for, in
  // `scratch`; or the page itself when it is kept as it is.
  std::string_view standIn(std::string_view page, std::string& scratch);

  // Calls out(piece) with `reported` (what the parser reported as text, in
  // order) and every stand-in in it replaced by its run. A stand-in the
  // parser reported in two calls is put back in the second.
  template <typename Out>
  void restore(std::string_view reported, Out&& out);

  // Whether every run stood in for before `parsed` bytes of the stood-in
  // text (all of it, for a parse that ran to the end) has come back as text,
  // once each and in order: the parser read the structure of that much of
  // the page, its declarations among it, as this scan did.
  bool restoredUpTo(std::size_t parsed) const;

 private:
  static constexpr std::size_t kNoHigh = static_cast<std::size_t>(-1);

  std::vector<std::string_view> runs_;  // into the page
  std::vector<std::size_t> standInAt_;  // each run's stand-in, as an offset in the stood-in text
  std::size_t pendingHigh_ = kNoHigh;   // the first half of a stand-in, reported alone
  std::size_t restored_ = 0;
  bool inOrder_ = true;
};

namespace text_runs {

// A stand-in is a high character U+E000 + (run / 2048) followed by a low
// character U+F000 + (run % 2048), each three bytes of UTF-8.
inline constexpr std::size_t kLowCount = 2048;
inline constexpr std::size_t kMaxRuns = 4096 * kLowCount;

inline bool isHighLead(unsigned char c) { return c == 0xEE; }
// The second byte of a low character's three: EF 80..9F.
inline bool isLow(unsigned char lead, unsigned char second) { return lead == 0xEF && second >= 0x80 && second <= 0x9F; }
// The value of a three-byte character.
inline std::size_t valueOf(const unsigned char* c) {
  return (static_cast<std::size_t>(c[0] & 0x0F) << 12) | (static_cast<std::size_t>(c[1] & 0x3F) << 6) | (c[2] & 0x3F);
}

}  // namespace text_runs

template <typename Out>
void TextRuns::restore(std::string_view reported, Out&& out) {
  using namespace text_runs;
  const auto* bytes = reinterpret_cast<const unsigned char*>(reported.data());
  const std::size_t size = reported.size();
  std::size_t from = 0;
  for (std::size_t at = 0; at + 3 <= size;) {
    const unsigned char lead = bytes[at];
    if (lead != 0xEE && lead != 0xEF) {
      ++at;
      continue;
    }
    if (isHighLead(lead)) {
      if (at > from) out(reported.substr(from, at - from));
      pendingHigh_ = valueOf(bytes + at) - 0xE000;
      at += 3;
      from = at;
    } else if (isLow(lead, bytes[at + 1]) && pendingHigh_ != kNoHigh) {
      if (at > from) out(reported.substr(from, at - from));
      const std::size_t run = pendingHigh_ * kLowCount + (valueOf(bytes + at) - 0xF000);
      pendingHigh_ = kNoHigh;
      inOrder_ = inOrder_ && run == restored_;
      ++restored_;
      if (run < runs_.size()) out(runs_[run]);
      at += 3;
      from = at;
    } else {
      at += 3;
    }
  }
  if (from < size) out(reported.substr(from));
}

}  // namespace pagora::search
