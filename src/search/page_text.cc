#include "search/page_text.h"

#include <glib.h>
#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "search/charset.h"
#include "search/text_runs.h"

namespace pagora::search {
namespace {

// Elements whose text a browser does not show. Scripts run, so <noscript>
// stays hidden too. Sorted, for binary search.
constexpr std::string_view kHiddenElements[] = {"noscript", "script", "style", "template", "title"};

// Elements that flow inside a line: no word boundary at their edges. Sorted.
constexpr std::string_view kInlineElements[] = {
    "a",    "abbr",   "acronym", "b",   "bdi", "bdo",   "big",  "cite", "code", "data", "del",  "dfn",
    "em",   "font",   "i",       "ins", "kbd", "label", "mark", "nobr", "q",    "s",    "samp", "small",
    "span", "strike", "strong",  "sub", "sup", "time",  "tt",   "u",    "var",  "wbr"};

template <std::size_t n>
constexpr bool isSorted(const std::string_view (&names)[n]) {
  for (std::size_t i = 1; i < n; ++i) {
    if (!(names[i - 1] < names[i])) return false;
  }
  return true;
}
static_assert(isSorted(kHiddenElements) && isSorted(kInlineElements));

template <std::size_t n>
bool isOneOf(std::string_view name, const std::string_view (&names)[n]) {
  return std::binary_search(std::begin(names), std::end(names), name);
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string_view view(const xmlChar* text) {
  return text == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(text));
}

// Appends text with every run of white space made one space, none leading.
class CollapsedText {
 public:
  void append(std::string_view text) {
    if (text.empty()) return;
    // Most text is words between single spaces: checked at once, and copied whole.
    if (!needsCollapsing(text)) {
      if (text.front() == ' ') {
        spacePending_ = true;
        text.remove_prefix(1);
      }
      const bool spaceAfter = !text.empty() && text.back() == ' ';
      if (spaceAfter) text.remove_suffix(1);
      if (!text.empty()) {
        if (spacePending_ && !text_.empty()) text_ += ' ';
        spacePending_ = false;
        text_ += text;
      }
      spacePending_ = spacePending_ || spaceAfter;
      return;
    }
    // Else byte by byte, into room made once.
    std::size_t out = text_.size();
    text_.resize(out + text.size() + 1);
    char* const to = text_.data();
    for (const char c : text) {
      if (isSpace(c)) {
        spacePending_ = true;
        continue;
      }
      if (spacePending_) {
        if (out > 0) to[out++] = ' ';
        spacePending_ = false;
      }
      to[out++] = c;
    }
    text_.resize(out);
  }
  void boundary() { spacePending_ = true; }
  void reserve(std::size_t bytes) { text_.reserve(bytes); }
  std::string take() { return std::move(text_); }

 private:
  // White space other than single spaces: a control character (all the
  // parser reports are white space) or two spaces in a row. Eight bytes at a
  // time: text is long.
  static bool needsCollapsing(std::string_view text) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    constexpr std::uint64_t kLowBits = 0x7F7F7F7F7F7F7F7FULL;
    std::size_t at = 0;
    bool spaceBefore = false;
    for (; at + 8 <= text.size(); at += 8) {
      std::uint64_t bytes;
      std::memcpy(&bytes, text.data() + at, 8);
      if (((bytes - 0x20 * kOnes) & ~bytes & kHighBits) != 0) return true;  // a byte below 0x20
      const std::uint64_t spaceless = bytes ^ (0x20 * kOnes);
      // 0x80 in each byte that is a space, exactly.
      const std::uint64_t spaces = ~(((spaceless & kLowBits) + kLowBits) | spaceless | kLowBits);
      if ((spaces & (spaces >> 8)) != 0 || (spaceBefore && (spaces & 0x80) != 0)) return true;
      spaceBefore = (spaces >> 56) != 0;
    }
    for (; at < text.size(); ++at) {
      const char c = text[at];
      if (static_cast<unsigned char>(c) < 0x20 || (c == ' ' && spaceBefore)) return true;
      spaceBefore = c == ' ';
    }
    return false;
  }

  std::string text_;
  bool spacePending_ = false;
};

struct ParserFree {
  void operator()(htmlParserCtxt* context) const { htmlFreeParserCtxt(context); }
};
using Parser = std::unique_ptr<htmlParserCtxt, ParserFree>;

// One reading of a page's text in one charset. It notes the first charset the
// page declares, and can stop at it when the reading has to start again.
class Reading {
 public:
  // `original` is the page's bytes when a declaration may call for a new
  // reading, empty when it may not.
  Reading(std::string_view original, std::string_view decodedAs, const std::atomic<bool>* stop, bool standInRuns)
      : original_(original), decodedAs_(decodedAs), stop_(stop), standInRuns_(standInRuns) {}

  void run(std::string_view utf8) {
    // Sets libxml2 up once, whichever thread comes first; a no-op after.
    xmlInitParser();
    opensWithXmlDeclaration_ = utf8.starts_with("<?xml");
    std::string standIns;
    const std::string_view parsed = standInRuns_ ? runs_.standIn(utf8, standIns) : utf8;
    // The text is never longer than the page: room made once.
    body_.reserve(utf8.size());
    Parser parser(
        htmlCreateMemoryParserCtxt(parsed.data(), static_cast<int>(std::min<std::size_t>(parsed.size(), INT_MAX))));
    if (!parser) return;
    xmlSAXHandler handler{};
    handler.startElement = &Reading::onStart;
    handler.endElement = &Reading::onEnd;
    handler.characters = &Reading::onText;
    handler.ignorableWhitespace = &Reading::onText;
    handler.cdataBlock = &Reading::onText;
    handler.processingInstruction = &Reading::onInstruction;
    handler.serror = [](void*, xmlErrorPtr) {};
    handler.initialized = XML_SAX2_MAGIC;
    *parser->sax = handler;
    parser->_private = this;
    parser_ = parser.get();
    // The text is UTF-8 already; left unsaid, the parser would take it for Latin-1.
    parser->charset = XML_CHAR_ENCODING_UTF8;
    htmlCtxtUseOptions(parser.get(), HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                                         HTML_PARSE_IGNORE_ENC | HTML_PARSE_NOIMPLIED);
    htmlParseDocument(parser.get());
    parser_ = nullptr;
  }

  // The charset to read the page in again, when its declaration differs
  // from the one this reading used.
  const std::optional<std::string>& charsetToRestartWith() const { return restartWith_; }
  // Whether the parser read a stand-in as markup: this reading is to be
  // made again without them.
  bool misreadStandIns() const {
    if (!standInRuns_ || (stop_ != nullptr && stop_->load())) return false;
    // A reading stopped for a declared charset must have read the
    // declaration itself, and all before it, as the page has it.
    return !runs_.restoredUpTo(restartWith_ ? stoppedAt_ : std::numeric_limits<std::size_t>::max());
  }

  PageText text() { return PageText{title_.take(), body_.take()}; }

 private:
  static Reading& of(void* context) { return *static_cast<Reading*>(static_cast<htmlParserCtxt*>(context)->_private); }

  static void onStart(void* context, const xmlChar* name, const xmlChar** attributes) {
    Reading& reading = of(context);
    const std::string_view element = view(name);
    const bool hidden = isOneOf(element, kHiddenElements);
    reading.open_.push_back(hidden);
    if (hidden) ++reading.hiddenDepth_;
    if (element == "title" && !reading.titleSeen_ && reading.hiddenDepth_ == 1) reading.inTitle_ = true;
    if (!isOneOf(element, kInlineElements)) reading.body_.boundary();
    if (element == "meta" && attributes != nullptr) reading.noteMeta(attributes);
    reading.checkStop();
  }

  static void onEnd(void* context, const xmlChar* name) {
    Reading& reading = of(context);
    const std::string_view element = view(name);
    if (!reading.open_.empty()) {
      if (reading.open_.back()) --reading.hiddenDepth_;
      reading.open_.pop_back();
    }
    if (reading.inTitle_ && element == "title") {
      reading.inTitle_ = false;
      reading.titleSeen_ = true;
    }
    if (!isOneOf(element, kInlineElements)) reading.body_.boundary();
  }

  static void onText(void* context, const xmlChar* text, int length) {
    Reading& reading = of(context);
    const std::string_view piece(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
    CollapsedText* shown = reading.inTitle_ ? &reading.title_ : reading.hiddenDepth_ == 0 ? &reading.body_ : nullptr;
    // Hidden text still passes through, so that a stand-in split across two
    // reports is put together.
    reading.runs_.restore(piece, [shown](std::string_view part) {
      if (shown != nullptr) shown->append(part);
    });
    reading.checkStop();
  }

  static void onInstruction(void* context, const xmlChar* target, const xmlChar* data) {
    Reading& reading = of(context);
    // Only a declaration that opens the page declares its charset.
    if (view(target) != "xml" || !reading.opensWithXmlDeclaration_) return;
    if (const auto label = encodingInXmlDeclaration(view(data))) reading.noteDeclared(*label);
  }

  void noteMeta(const xmlChar** attributes) {
    bool contentType = false;
    std::optional<std::string_view> content;
    for (const xmlChar** at = attributes; at[0] != nullptr; at += 2) {
      const std::string_view name = view(at[0]);
      const std::string_view value = view(at[1]);
      if (at[1] == nullptr) continue;
      if (g_ascii_strcasecmp(std::string(name).c_str(), "charset") == 0) {
        noteDeclared(value);
        return;
      }
      if (g_ascii_strcasecmp(std::string(name).c_str(), "http-equiv") == 0 &&
          g_ascii_strcasecmp(std::string(value).c_str(), "content-type") == 0) {
        contentType = true;
      }
      if (g_ascii_strcasecmp(std::string(name).c_str(), "content") == 0) content = value;
    }
    if (contentType && content) {
      if (const auto label = charsetInContentType(*content)) noteDeclared(*label);
    }
  }

  void noteDeclared(std::string_view label) {
    if (declarationSeen_) return;
    const std::optional<std::string> charset = charsetForLabel(label);
    if (!charset) return;
    declarationSeen_ = true;
    // Pure ASCII reads alike in every charset a page can declare in ASCII.
    if (!original_.empty() && *charset != decodedAs_ && !isAscii(original_)) {
      restartWith_ = charset;
      const long consumed = xmlByteConsumed(parser_);
      stoppedAt_ = consumed < 0 ? std::numeric_limits<std::size_t>::max() : static_cast<std::size_t>(consumed);
      xmlStopParser(parser_);
    }
  }

  void checkStop() {
    if (stop_ != nullptr && stop_->load(std::memory_order_relaxed)) xmlStopParser(parser_);
  }

  const std::string_view original_;
  const std::string_view decodedAs_;
  const std::atomic<bool>* const stop_;
  const bool standInRuns_;
  htmlParserCtxt* parser_ = nullptr;
  std::vector<bool> open_;  // per open element: is it hidden?
  int hiddenDepth_ = 0;
  bool inTitle_ = false;
  bool titleSeen_ = false;
  bool opensWithXmlDeclaration_ = false;
  bool declarationSeen_ = false;
  std::optional<std::string> restartWith_;
  std::size_t stoppedAt_ = 0;  // bytes of the parsed text read when the declaration stopped the reading
  TextRuns runs_;
  CollapsedText title_;
  CollapsedText body_;
};

}  // namespace

PageText extractPageText(std::string_view bytes, const std::atomic<bool>* stop, bool standInRuns) {
  std::string scratch;
  // Reads `utf8` in one charset; again without stand-ins when the parser
  // misread them.
  auto read = [&](std::string_view original, std::string_view charset, std::string_view utf8) {
    auto reading = std::make_unique<Reading>(original, charset, stop, standInRuns);
    reading->run(utf8);
    if (reading->misreadStandIns()) {
      reading = std::make_unique<Reading>(original, charset, stop, false);
      reading->run(utf8);
    }
    return reading;
  };
  if (const auto mark = byteOrderMarkOf(bytes)) {
    return read({}, mark->charset, decodeToUtf8(bytes.substr(mark->length), mark->charset, scratch))->text();
  }
  std::string_view guess = kUtf8;
  std::string_view text = bytes;
  if (!isCleanUtf8(bytes)) {
    guess = isValidUtf8(bytes) ? kUtf8 : kWindows1252;
    text = decodeToUtf8(bytes, guess, scratch);
  }
  const auto first = read(bytes, guess, text);
  if (!first->charsetToRestartWith()) return first->text();
  const std::string charset = *first->charsetToRestartWith();
  return read({}, charset, decodeToUtf8(bytes, charset, scratch))->text();
}

}  // namespace pagora::search
