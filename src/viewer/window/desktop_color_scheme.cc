#include "viewer/window/desktop_color_scheme.h"

#include <gtk/gtk.h>

#include <string_view>

namespace pagora::viewer {
namespace {

constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kSettingsInterface = "org.freedesktop.portal.Settings";
constexpr const char* kAppearance = "org.freedesktop.appearance";
constexpr const char* kColorScheme = "color-scheme";

bool namesDarkTheme(std::string_view theme) { return theme.ends_with("-dark") || theme.ends_with(":dark"); }

// The portal's values: 0 no preference, 1 prefer dark, 2 prefer light.
// Values come wrapped in one variant, or two from the older Read method.
ColorPreference preferenceOf(GVariant* value) {
  g_autoptr(GVariant) inner = g_variant_ref(value);
  while (g_variant_is_of_type(inner, G_VARIANT_TYPE_VARIANT)) {
    GVariant* unwrapped = g_variant_get_variant(inner);
    g_variant_unref(inner);
    inner = unwrapped;
  }
  if (!g_variant_is_of_type(inner, G_VARIANT_TYPE_UINT32)) return ColorPreference::None;
  switch (g_variant_get_uint32(inner)) {
    case 1: return ColorPreference::Dark;
    case 2: return ColorPreference::Light;
    default: return ColorPreference::None;
  }
}

}  // namespace

DesktopColorScheme::DesktopColorScheme(std::function<void()> changed)
    : changed_(std::move(changed)), cancellable_(glib::adoptRef(g_cancellable_new())) {
  GtkSettings* settings = gtk_settings_get_default();
  g_autofree char* theme = nullptr;
  gboolean preferDark = FALSE;
  if (settings != nullptr) {
    g_object_get(settings, "gtk-application-prefer-dark-theme", &preferDark, "gtk-theme-name", &theme, nullptr);
  }
  gtkPrefersDarkVariant_ = preferDark != FALSE;
  const char* themeVariable = g_getenv("GTK_THEME");
  gtkThemeIsDark_ = (theme != nullptr && namesDarkTheme(theme)) || (themeVariable != nullptr && namesDarkTheme(themeVariable));
  g_bus_get(G_BUS_TYPE_SESSION, cancellable_.get(), onBus, this);
}

DesktopColorScheme::~DesktopColorScheme() {
  g_cancellable_cancel(cancellable_.get());
  if (bus_ && subscription_ != 0) g_dbus_connection_signal_unsubscribe(bus_.get(), subscription_);
}

ColorPreference DesktopColorScheme::preference() const {
  if (portal_ != ColorPreference::None) return portal_;
  return gtkPrefersDarkVariant_ || gtkThemeIsDark_ ? ColorPreference::Dark : ColorPreference::None;
}

void DesktopColorScheme::onBus(GObject*, GAsyncResult* result, gpointer data) {
  g_autoptr(GError) error = nullptr;
  GDBusConnection* bus = g_bus_get_finish(result, &error);
  if (bus == nullptr) return;  // cancelled, or no session bus: GTK's settings decide
  auto* self = static_cast<DesktopColorScheme*>(data);
  self->bus_ = glib::adoptRef(bus);
  self->subscription_ = g_dbus_connection_signal_subscribe(
      bus, kPortalName, kSettingsInterface, "SettingChanged", kPortalPath, kAppearance, G_DBUS_SIGNAL_FLAGS_NONE,
      onSettingChanged, self, nullptr);
  self->readPortal("ReadOne");
}

void DesktopColorScheme::readPortal(const char* method) {
  g_dbus_connection_call(bus_.get(), kPortalName, kPortalPath, kSettingsInterface, method,
                         g_variant_new("(ss)", kAppearance, kColorScheme), G_VARIANT_TYPE("(v)"),
                         G_DBUS_CALL_FLAGS_NO_AUTO_START, 5000, cancellable_.get(), onPortalReply, this);
}

void DesktopColorScheme::onPortalReply(GObject* source, GAsyncResult* result, gpointer data) {
  g_autoptr(GError) error = nullptr;
  g_autoptr(GVariant) reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;
  auto* self = static_cast<DesktopColorScheme*>(data);
  if (reply == nullptr) {
    // Portals before version 2 have only Read.
    if (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD) && !self->triedOlderMethod_) {
      self->triedOlderMethod_ = true;
      self->readPortal("Read");
    }
    return;
  }
  g_autoptr(GVariant) value = nullptr;
  g_variant_get(reply, "(v)", &value);
  self->takePortalValue(value);
}

void DesktopColorScheme::onSettingChanged(GDBusConnection*, const char*, const char*, const char*, const char*,
                                          GVariant* parameters, gpointer data) {
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssv)"))) return;
  const char* nameSpace = nullptr;
  const char* key = nullptr;
  g_autoptr(GVariant) value = nullptr;
  g_variant_get(parameters, "(&s&sv)", &nameSpace, &key, &value);
  if (std::string_view(key) == kColorScheme) static_cast<DesktopColorScheme*>(data)->takePortalValue(value);
}

void DesktopColorScheme::takePortalValue(GVariant* value) {
  portal_ = preferenceOf(value);
  if (changed_) changed_();
}

}  // namespace pagora::viewer
