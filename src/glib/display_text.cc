#include "glib/display_text.h"

#include <glib.h>

namespace pagora::glib {

std::string displayText(const std::string& text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
  g_autofree char* converted =
      g_convert_with_fallback(text.data(), static_cast<gssize>(text.size()), "UTF-8", "WINDOWS-1252",
                              "\xEF\xBF\xBD", nullptr, nullptr, nullptr);
  if (converted != nullptr) return converted;
  g_autofree char* repaired = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  return repaired;
}

}  // namespace pagora::glib
