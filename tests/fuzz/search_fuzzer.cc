// Fuzzes the search core: the first line of an input is a query, the rest a
// page. The page's text is extracted (charset sniffing, libxml2's HTML
// parser), made into words and indexed; the query is parsed and run. Beyond
// what the sanitizers catch, it checks that the text is clean UTF-8 with no
// NUL and single spaces, that it is the same whether the parser reads every
// character or the long runs of text are set aside, that words are folded and
// cut as promised, that the page matches exactly when each query word begins
// one of its words, that a snippet's marks lie on its words, and that libxml2
// never prints anything.
#include <glib.h>
#include <libxml/xmlerror.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_require.h"
#include "search/page_entry.h"
#include "search/query.h"
#include "search/search_index.h"
#include "search/words.h"

namespace pagora::fuzz {
namespace {

constexpr std::size_t kMaxInput = 256 * 1024;

bool isCleanUtf8(std::string_view text) { return g_utf8_validate_len(text.data(), text.size(), nullptr); }

void checkText(std::string_view text) {
  require(isCleanUtf8(text), "page text is valid UTF-8 without NUL");
  require(text.empty() || (text.front() != ' ' && text.back() != ' '), "page text is trimmed");
  require(text.find("  ") == std::string_view::npos, "page text holds no run of spaces");
  require(text.find_first_of("\t\n\r\f") == std::string_view::npos, "white space is made a space");
}

void checkWord(std::string_view word) {
  require(!word.empty(), "a folded word is not empty");
  require(word.size() <= search::kMaxFoldedWordBytes, "a folded word is cut to the limit");
  require(isCleanUtf8(word), "a folded word is valid UTF-8");
}

void neverPrint(void*, const char*, ...) { require(false, "libxml2 prints nothing"); }
void neverPrintStructured(void*, xmlErrorPtr) { require(false, "libxml2 reports nothing globally"); }

}  // namespace
}  // namespace pagora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pagora::search;
  using pagora::fuzz::require;
  if (size > pagora::fuzz::kMaxInput) return 0;
  xmlSetGenericErrorFunc(nullptr, &pagora::fuzz::neverPrint);
  xmlSetStructuredErrorFunc(nullptr, &pagora::fuzz::neverPrintStructured);

  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t lineEnd = std::min(input.find('\n'), input.size());
  const std::string_view queryText = input.substr(0, lineEnd);
  const std::string_view bytes = input.substr(std::min(lineEnd + 1, input.size()));

  PageEntry entry = makePageEntry("page.html", bytes);
  pagora::fuzz::checkText(entry.text.title);
  pagora::fuzz::checkText(entry.text.body);
  const PageText whole = extractPageText(bytes, nullptr, false);
  require(whole.title == entry.text.title && whole.body == entry.text.body,
          "setting runs of text aside while the parser reads the markup changes nothing");
  require(entry.words.size() == entry.terms.size(), "each term has its word");
  for (std::size_t i = 0; i < entry.terms.size(); ++i) {
    pagora::fuzz::checkWord(entry.word(i));
    require(entry.terms[i].occurrences > 0, "a word of the page occurs");
    require(entry.terms[i].hash == WordIds::hash(entry.word(i)), "a term carries its word's hash");
  }

  const Query query = Query::parse(queryText);
  for (const std::string& word : query.words()) pagora::fuzz::checkWord(word);
  bool everyWordHeld = !query.empty();
  for (const std::string& word : query.words()) {
    bool held = false;
    for (std::size_t i = 0; i < entry.terms.size(); ++i) held = held || entry.word(i).starts_with(word);
    everyWordHeld = everyWordHeld && held;
  }

  SearchIndex index;
  index.add(std::move(entry));
  for (int pass = 0; pass < 2; ++pass) {
    const auto results = index.search(query);
    require(results.size() == (everyWordHeld ? 1u : 0u), "the page matches when it holds every query word");
    for (const SearchResult& result : results) {
      const Snippet& snippet = result.snippet;
      require(pagora::fuzz::isCleanUtf8(snippet.text), "a snippet is valid UTF-8");
      std::size_t after = 0;
      for (const Mark& mark : snippet.marks) {
        require(mark.begin >= after && mark.begin < mark.end && mark.end <= snippet.text.size(),
                "marks lie in order inside the snippet");
        require(query.matchesFolded(foldWord(snippet.text.substr(mark.begin, mark.end - mark.begin))),
                "a mark covers a matching word");
        after = mark.end;
      }
    }
    index.finish();
  }
  return 0;
}
