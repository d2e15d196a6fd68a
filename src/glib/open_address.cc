#include "glib/open_address.h"

#include <gio/gio.h>

namespace pagora::glib {

bool openInDefaultProgram(const std::string& address) {
  g_autoptr(GError) error = nullptr;
  if (g_app_info_launch_default_for_uri(address.c_str(), nullptr, &error)) return true;
  g_warning("cannot open %s: %s", address.c_str(), error->message);
  return false;
}

bool openInDefaultBrowser(const std::string& address) {
  g_autoptr(GAppInfo) browser = g_app_info_get_default_for_uri_scheme("http");
  if (browser == nullptr) return openInDefaultProgram(address);
  GList addresses{const_cast<char*>(address.c_str()), nullptr, nullptr};
  g_autoptr(GError) error = nullptr;
  if (g_app_info_launch_uris(browser, &addresses, nullptr, &error)) return true;
  g_warning("cannot open %s in %s: %s", address.c_str(), g_app_info_get_name(browser),
            error->message);
  return false;
}

}  // namespace pagora::glib
