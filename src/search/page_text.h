// The text of a page as a reader sees it: its title, and the text of its body
// without markup, scripts, style sheets and other content a browser does not
// show, with character references decoded. Runs of white space, and the
// boundaries of elements that are not inline (paragraphs, cells, line
// breaks), become one space, so words on either side stay apart while
// "<b>bold</b>er" stays one word. libxml2's HTML parser reads the markup;
// its messages are never printed. Any bytes give an answer.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace pagora::search {

struct PageText {
  std::string title;  // the first <title>, trimmed; empty when there is none
  std::string body;   // trimmed
};

// `stop`, when given and set while a long page is read, ends the reading
// early with the text found so far. Long runs of plain text are set aside
// while the parser reads the markup (see text_runs.h); with `standInRuns`
// false the parser reads every character itself, more slowly, to the same
// text: tests compare the two.
PageText extractPageText(std::string_view bytes, const std::atomic<bool>* stop = nullptr, bool standInRuns = true);

}  // namespace pagora::search
