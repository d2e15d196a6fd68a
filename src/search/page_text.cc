#include "search/page_text.h"

#include <glib.h>
#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "search/charset.h"

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
    for (std::size_t at = 0; at < text.size(); ++at) {
      std::size_t end = at;
      while (end < text.size() && !isSpace(text[end])) ++end;
      if (end > at) {
        if (spacePending_ && !text_.empty()) text_ += ' ';
        spacePending_ = false;
        text_.append(text.data() + at, end - at);
      }
      if (end < text.size()) spacePending_ = true;
      at = end;
    }
  }
  void boundary() { spacePending_ = true; }
  std::string take() { return std::move(text_); }

 private:
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
  Reading(std::string_view original, std::string_view decodedAs, const std::atomic<bool>* stop)
      : original_(original), decodedAs_(decodedAs), stop_(stop) {}

  void run(std::string_view utf8) {
    // Sets libxml2 up once, whichever thread comes first; a no-op after.
    xmlInitParser();
    opensWithXmlDeclaration_ = utf8.starts_with("<?xml");
    Parser parser(
        htmlCreateMemoryParserCtxt(utf8.data(), static_cast<int>(std::min<std::size_t>(utf8.size(), INT_MAX))));
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
    if (reading.inTitle_) {
      reading.title_.append(piece);
    } else if (reading.hiddenDepth_ == 0) {
      reading.body_.append(piece);
    }
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
      xmlStopParser(parser_);
    }
  }

  void checkStop() {
    if (stop_ != nullptr && stop_->load(std::memory_order_relaxed)) xmlStopParser(parser_);
  }

  const std::string_view original_;
  const std::string_view decodedAs_;
  const std::atomic<bool>* const stop_;
  htmlParserCtxt* parser_ = nullptr;
  std::vector<bool> open_;  // per open element: is it hidden?
  int hiddenDepth_ = 0;
  bool inTitle_ = false;
  bool titleSeen_ = false;
  bool opensWithXmlDeclaration_ = false;
  bool declarationSeen_ = false;
  std::optional<std::string> restartWith_;
  CollapsedText title_;
  CollapsedText body_;
};

}  // namespace

PageText extractPageText(std::string_view bytes, const std::atomic<bool>* stop) {
  std::string scratch;
  if (const auto mark = byteOrderMarkOf(bytes)) {
    Reading reading({}, mark->charset, stop);
    reading.run(decodeToUtf8(bytes.substr(mark->length), mark->charset, scratch));
    return reading.text();
  }
  std::string_view guess = kUtf8;
  std::string_view text = bytes;
  if (!isCleanUtf8(bytes)) {
    guess = isValidUtf8(bytes) ? kUtf8 : kWindows1252;
    text = decodeToUtf8(bytes, guess, scratch);
  }
  Reading first(bytes, guess, stop);
  first.run(text);
  if (!first.charsetToRestartWith()) return first.text();
  const std::string charset = *first.charsetToRestartWith();
  Reading second({}, charset, stop);
  second.run(decodeToUtf8(bytes, charset, scratch));
  return second.text();
}

}  // namespace pagora::search
