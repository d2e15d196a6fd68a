// DesktopColorScheme: whether the desktop prefers dark colours. GTK 3 does
// not follow the desktop's colour-scheme preference by itself, so it is read
// from the settings portal (org.freedesktop.appearance color-scheme) where
// the desktop runs one, and followed as it changes; without an answer, GTK's
// own settings as they were at start decide (a preference for the dark
// variant, a dark theme). The portal is never started for this.
#pragma once

#include <gio/gio.h>

#include <functional>

#include "glib/gobject_ptr.h"
#include "viewer/rules/reading_styles.h"

namespace pagora::viewer {

class DesktopColorScheme {
 public:
  // `changed` runs whenever the preference may have changed, never from
  // within the constructor.
  explicit DesktopColorScheme(std::function<void()> changed);
  DesktopColorScheme(const DesktopColorScheme&) = delete;
  DesktopColorScheme& operator=(const DesktopColorScheme&) = delete;
  ~DesktopColorScheme();

  ColorPreference preference() const;

 private:
  void readPortal(const char* method);
  void takePortalValue(GVariant* value);
  static void onBus(GObject* source, GAsyncResult* result, gpointer self);
  static void onPortalReply(GObject* source, GAsyncResult* result, gpointer self);
  static void onSettingChanged(GDBusConnection* bus, const char* sender, const char* path, const char* interface,
                               const char* signal, GVariant* parameters, gpointer self);

  std::function<void()> changed_;
  bool gtkPrefersDarkVariant_ = false;
  bool gtkThemeIsDark_ = false;
  ColorPreference portal_ = ColorPreference::None;  // until it answers with a preference
  glib::GObjectPtr<GCancellable> cancellable_;
  glib::GObjectPtr<GDBusConnection> bus_;
  guint subscription_ = 0;
  bool triedOlderMethod_ = false;
};

}  // namespace pagora::viewer
