// Fuzzes the page builders with arbitrary book texts: EscapeHtml, the about
// block and the whole about page as PageHeader, PageBox, SoftwareBox and
// PageFooter compose it. Beyond what the sanitizers catch, it checks that an
// escaped text holds no markup and unescapes to the text itself, and that no
// book text can put markup of its own into the about block (the web address
// goes into its link target as stored, and is taken out before looking).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_require.h"
#include "pages/about_page.h"
#include "pages/escape_html.h"
#include "pages/page_template.h"

namespace pagora::fuzz {
namespace {

constexpr std::size_t kMaxInput = 64 * 1024;

std::string unescaped(const std::string& escaped) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&quot;", '"'}, {"&gt;", '>'}, {"&lt;", '<'}};
  std::string text;
  for (std::size_t i = 0; i < escaped.size();) {
    bool matched = false;
    for (const auto& [entity, character] : kEntities) {
      if (escaped.compare(i, entity.size(), entity) == 0) {
        text += character;
        i += entity.size();
        matched = true;
        break;
      }
    }
    if (!matched) {
      require(escaped[i] != '&', "every ampersand of an escaped text opens one of the four entities");
      text += escaped[i++];
    }
  }
  return text;
}

void checkEscaping(const std::string& text) {
  const std::string escaped = EscapeHtml(text);
  require(escaped.find_first_of("<>\"") == std::string::npos, "an escaped text holds no markup");
  require(unescaped(escaped) == text, "an escaped text unescapes to itself");
}

void eraseAll(std::string& text, const std::string& piece) {
  if (piece.empty()) return;
  for (std::size_t at; (at = text.find(piece)) != std::string::npos;) text.erase(at, piece.size());
}

// The block with the markup the viewer itself writes taken out, and the web
// address's link target with it, holds no markup at all.
void checkNoMarkupFromTexts(const BookInfo& texts, const std::string& block) {
  std::string rest = block;
  eraseAll(rest, "<A HREF=" + texts.webAddress + " TARGET=_blank>");
  for (const char* tag : {"<BIG>", "</BIG>", "<B>", "</B>", "<BR>", "<A HREF=MAILTO:", "</A>", "<SMALL>", "</SMALL>"}) {
    eraseAll(rest, tag);
  }
  // What is left of a mail link's opening tag is its escaped address and '>'.
  if (!texts.author.empty() && !texts.authorEmail.empty()) eraseAll(rest, EscapeHtml(texts.authorEmail) + ">");
  require(rest.find_first_of("<>\"") == std::string::npos, "no book text puts markup into the about block");
}

}  // namespace
}  // namespace pagora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pagora;
  using fuzz::require;
  if (size > fuzz::kMaxInput) return 0;
  FuzzedDataProvider provider(data, size);
  BookInfo texts;
  for (std::string* text : {&texts.title, &texts.publisher, &texts.author, &texts.authorEmail, &texts.webAddress,
                            &texts.contentsNotice, &texts.esbn}) {
    *text = provider.ConsumeRandomLengthString();
    fuzz::checkEscaping(*text);
  }

  const std::string block = AboutInfoHtml(texts);
  require(block.rfind("<BIG><B>" + EscapeHtml(texts.title) + "</B></BIG><BR><BR>", 0) == 0,
          "the about block opens with the escaped title");
  const std::string esbnLine = "<SMALL>ESBN: " + EscapeHtml(texts.esbn) + "</SMALL>";
  require(block.size() >= esbnLine.size() && block.substr(block.size() - esbnLine.size()) == esbnLine,
          "the about block ends with the escaped esbn");
  fuzz::checkNoMarkupFromTexts(texts, block);

  const std::string page = AboutPageHtml(texts);
  require(page == PageHeader("About") + PageBox("About this E-Book", block, "WHITE") + SoftwareBox() + PageFooter(),
          "the about page is its header, its two boxes and its footer");
  require(AboutPageHtml(texts) == page, "the same texts give the same page");
  return 0;
}
