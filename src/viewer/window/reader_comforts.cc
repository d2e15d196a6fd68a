#include "viewer/window/reader_comforts.h"

#include <vector>

#include "pages/about_page.h"
#include "session/reading_places.h"

namespace pagora::viewer {
namespace {

// The viewer's own pages, as file: addresses: they follow the window's colours.
std::vector<std::string> viewerPagesOf(const BookSession& session) {
  if (session.privateFolderPath().empty()) return {};
  const std::string path = session.privateFolderPath() + kAboutPageName;
  g_autofree char* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  return uri != nullptr ? std::vector<std::string>{uri} : std::vector<std::string>{};
}

}  // namespace

ReaderComforts::ReaderComforts(GtkWindow* window, BookView& view, BrowserHost& host, const BookSession& session,
                               CommandRouter& router)
    : window_(window),
      view_(view),
      router_(router),
      keeper_(session, ReadingPlaces(readingPlacesLocationFromEnvironment())),
      styles_(host.contentManager(), viewerPagesOf(session)),
      position_(host.contentManager(), view.webView()),
      shortcuts_(window),
      unclaimedKeys_(window, router),
      focusChain_(window, view.webView()) {
  configure_ = glib::SignalConnection(window_, "configure-event", G_CALLBACK(onConfigure), this);
}

void ReaderComforts::restore() {
  const ReopenSettings& settings = keeper_.settings();
  if (settings.fontSize != view_.fontSize()) view_.setFontSize(settings.fontSize);
  styles_.choose(settings.style);
  if (settings.windowWidth > 0) gtk_window_set_default_size(window_, settings.windowWidth, settings.windowHeight);
  gtk_window_get_default_size(window_, &width_, &height_);
  if (!keeper_.pagePath().empty()) {
    g_autofree char* uri = g_filename_to_uri(keeper_.pagePath().c_str(), nullptr, nullptr);
    if (uri != nullptr) position_.restoreWhenLoaded(uri, keeper_.scrollY());
  }
  router_.notifyStateChanged();
}

void ReaderComforts::registerCommands() {
  keeper_.registerCommands(router_);
  styles_.registerCommands(router_);
  router_.add(CommandId::HelpShortcuts, [this] { shortcuts_.show(); });
}

void ReaderComforts::rememberPlace() {
  const std::string shown = view_.locationUrl();
  keeper_.remember(shown, position_.scrollOf(shown), {view_.fontSize(), styles_.style(), width_, height_});
}

gboolean ReaderComforts::onConfigure(GtkWidget* widget, GdkEvent*, gpointer self) {
  auto* comforts = static_cast<ReaderComforts*>(self);
  GdkWindow* surface = gtk_widget_get_window(widget);
  constexpr auto kNotItsOwnSize = GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_FULLSCREEN | GDK_WINDOW_STATE_TILED;
  if (surface != nullptr && (gdk_window_get_state(surface) & kNotItsOwnSize) == 0) {
    gtk_window_get_size(comforts->window_, &comforts->width_, &comforts->height_);
  }
  return FALSE;
}

}  // namespace pagora::viewer
