// The commands that BookView carries out on the engine, with the update
// handlers that enable and check their menu items and buttons.
#include <string_view>

#include "viewer/engine/book_view.h"
#include "viewer/rules/font_sizes.h"

namespace pagora::viewer {
namespace {

CommandState enabledWhen(bool enabled) { return CommandState{enabled, false}; }

}  // namespace

void BookView::registerCommands(CommandRouter& router) {
  using enum CommandId;
  const auto pageShown = [this] { return enabledWhen(!locationUrl().empty()); };

  router.add(
      GoBack, [this] { if (view_ != nullptr) webkit_web_view_go_back(view_); },
      [this] { return enabledWhen(canGoBack_); });
  router.add(
      GoForward, [this] { if (view_ != nullptr) webkit_web_view_go_forward(view_); },
      [this] { return enabledWhen(canGoForward_); });
  router.add(GoHome, [this] { navigateToStartPage(); });
  router.add(
      ViewStop, [this] { if (view_ != nullptr) webkit_web_view_stop_loading(view_); },
      [this] { return enabledWhen(view_ != nullptr && webkit_web_view_is_loading(view_)); });
  router.add(
      ViewRefresh, [this] { if (view_ != nullptr) webkit_web_view_reload(view_); }, pageShown);
  router.add(
      SelectAll,
      [this] {
        if (view_ != nullptr) webkit_web_view_execute_editing_command(view_, WEBKIT_EDITING_COMMAND_SELECT_ALL);
      },
      pageShown);
  router.add(
      EditCopy,
      [this] {
        if (view_ != nullptr) webkit_web_view_execute_editing_command(view_, WEBKIT_EDITING_COMMAND_COPY);
      },
      [this] { return enabledWhen(!framesWithSelection_.empty()); });
  for (const auto id : {FontLargest, FontLarger, FontMedium, FontSmaller, FontSmallest}) {
    router.add(
        id, [this, id] { setFontSize(id); },
        [this, id] {
          return CommandState{.enabled = true,
                              .checked = fontSize_ == id};
        });
  }
  // The keys' steps through the same sizes; their check marks follow.
  router.add(TextSizeUp, [this] { setFontSize(largerFontSize(fontSize_)); });
  router.add(TextSizeDown, [this] { setFontSize(smallerFontSize(fontSize_)); });
  router.add(TextSizeReset, [this] { setFontSize(FontMedium); });
  router.add(AppAbout, [this] {
    // Written afresh each time; shown even when writing it failed.
    BookSession::AboutPage page = session_.buildAboutPage();
    for (const Notice& notice : page.notices) notices_.show(notice);
    navigate(page.path);
  });
}

void BookView::setFontSize(CommandId id) {
  // The choice is kept before the engine is asked, whatever it makes of it.
  fontSize_ = id;
  const auto factor = zoomFactorFor(id);
  if (view_ == nullptr || !factor) return;
  webkit_settings_set_zoom_text_only(webkit_web_view_get_settings(view_), TRUE);
  webkit_web_view_set_zoom_level(view_, *factor);
}

gboolean BookView::onScriptPrint(WebKitWebView*, WebKitPrintOperation* operation, gpointer self) {
  auto* view = static_cast<BookView*>(self);
  if (view->printRequested_) view->printRequested_(operation);
  return TRUE;  // never the engine's own dialog
}

}  // namespace pagora::viewer
