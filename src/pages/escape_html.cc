#include "pages/escape_html.h"

namespace pagora {

std::string EscapeHtml(const std::string& text) {
  // One pass gives the same result as replacing "&" first and the others
  // after it: no replacement introduces a character that a later one changes
  // except the ampersands, which must stay as they are.
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '"': escaped += "&quot;"; break;
      case '>': escaped += "&gt;"; break;
      case '<': escaped += "&lt;"; break;
      default: escaped += c; break;
    }
  }
  return escaped;
}

}  // namespace pagora
