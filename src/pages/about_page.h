// The about page: the book's texts and the software credit, written as
// "__about.html" into the private folder each time it is asked for.
#pragma once

#include <string>

#include "container/book_info.h"

namespace pagora {

// The about-information block for the given texts: title, publisher, author
// with mail links, web link, contents notice and ESBN. Adds no line end.
std::string AboutInfoHtml(const BookInfo& texts);

// The block from the loaded book's texts (empty ones when nothing was read).
std::string AboutInfoHtml();

// The whole page for the given texts, as the bytes written to disk.
std::string AboutPageHtml(const BookInfo& texts);

// Writes the about page and returns its full path, whether or not the write
// succeeded.
std::string BuildAboutPage();

}  // namespace pagora
