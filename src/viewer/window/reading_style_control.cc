#include "viewer/window/reading_style_control.h"

#include <gtk/gtk.h>

namespace pagora::viewer {

ReadingStyleControl::ReadingStyleControl(WebKitUserContentManager* content, std::vector<std::string> viewerPages)
    : sheets_(content), desktop_([this] { apply(); }), viewerPages_(std::move(viewerPages)) {
  apply();
}

void ReadingStyleControl::registerCommands(CommandRouter& router) {
  for (const auto style : {ReadingStyle::BookOwn, ReadingStyle::Light, ReadingStyle::Sepia, ReadingStyle::Dark}) {
    router.add(
        commandChoosing(style), [this, style] { choose(style); },
        [this, style] { return CommandState{.enabled = true, .checked = style_ == style}; });
  }
}

void ReadingStyleControl::choose(ReadingStyle style) {
  style_ = style;
  apply();
}

void ReadingStyleControl::apply() {
  const ColorPreference desktop = desktop_.preference();
  sheets_.apply(style_, viewerPagesStyle(style_, desktop), viewerPages_);
  // GTK's settings are the process's; the viewer has one window.
  GtkSettings* settings = gtk_settings_get_default();
  if (settings == nullptr) return;
  const gboolean dark = wantsDarkWindow(style_, desktop) ? TRUE : FALSE;
  gboolean now = FALSE;
  g_object_get(settings, "gtk-application-prefer-dark-theme", &now, nullptr);
  if (now != dark) g_object_set(settings, "gtk-application-prefer-dark-theme", dark, nullptr);
}

}  // namespace pagora::viewer
