// Escaping of book texts for the viewer's own pages.
#pragma once

#include <string>

namespace pagora {

// The text with "&", '"', ">" and "<" replaced by "&amp;", "&quot;", "&gt;"
// and "&lt;". Nothing else changes; entities already in the text are escaped
// again, since a book's texts are plain text, not HTML.
std::string EscapeHtml(const std::string& text);

}  // namespace pagora
