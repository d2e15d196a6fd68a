// The about page: the book's texts and the software credit, written as
// "__about.html" into the private folder each time it is asked for.
#pragma once

#include <string>

namespace pagora {

// The about-information block, from the loaded book's texts.
std::string AboutInfoHtml();

// Writes the about page and returns its full path, whether or not the write
// succeeded.
std::string BuildAboutPage();

}  // namespace pagora
