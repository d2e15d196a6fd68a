// The pieces of every page the viewer writes itself: a header, framed boxes,
// a footer and the software credit box. A page is PageHeader, any number of
// boxes, then PageFooter, concatenated. Lines end in CR LF, tags are upper
// case, attribute values unquoted. Texts are inserted verbatim: callers escape
// book texts with EscapeHtml first.
#pragma once

#include <string>

namespace pagora {

// The head of the document with `title`, and the opening of a black, centred body.
std::string PageHeader(const std::string& title);

// One framed box: an outer table of width 560 with a border around an inner
// table of width 540 holding `title` centred in big bold type, then `body`.
// `colour` (a name such as "WHITE" or "#rrggbb") is the background of both.
std::string PageBox(const std::string& title, const std::string& body, const std::string& colour);

// The closing of the centring, the body and the document.
std::string PageFooter();

// The box crediting the software that made the book, with its copyright.
std::string SoftwareBox();

}  // namespace pagora
