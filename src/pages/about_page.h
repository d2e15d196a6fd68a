// The about page: the book's texts and the software credit. The session
// writes it into the private folder as "__about.html" each time it is asked for.
#pragma once

#include <string>

#include "container/book_info.h"

namespace pagora {

// The name the page is written under in the private folder.
inline constexpr char kAboutPageName[] = "__about.html";

// The about-information block for the given texts: title, publisher, author
// with mail links, web link, contents notice and ESBN. Adds no line end.
std::string AboutInfoHtml(const BookInfo& texts);

// The whole page for the given texts, as the bytes written to disk.
std::string AboutPageHtml(const BookInfo& texts);

}  // namespace pagora
