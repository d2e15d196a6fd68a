// The commands that CPagoraView carries out on the engine, with the update
// handlers that enable and check their menu items and buttons.
#include <string_view>

#include "container/book_loader.h"
#include "pages/about_page.h"
#include "platform/notice.h"
#include "ui/book_view.h"
#include "ui/font_sizes.h"

namespace pagora::ui {
namespace {

constexpr std::string_view kPrintingNotAllowedNotice =
    "The author of this E-Book has decided not to allow printing";

GtkWindow* toplevelOf(GtkWidget* widget) {
  GtkWidget* toplevel = widget != nullptr ? gtk_widget_get_toplevel(widget) : nullptr;
  return toplevel != nullptr && gtk_widget_is_toplevel(toplevel) ? GTK_WINDOW(toplevel) : nullptr;
}

CommandState enabledWhen(bool enabled) { return CommandState{enabled, false}; }

}  // namespace

void CPagoraView::registerCommands(CommandRouter& router) {
  using enum resources::CommandId;
  const auto pageShown = [this] { return enabledWhen(!locationUrl().empty()); };

  router.add(
      GoBack, [this] { if (view_ != nullptr) webkit_web_view_go_back(view_); },
      [this] { return enabledWhen(m_bCanGoBack); });
  router.add(
      GoForward, [this] { if (view_ != nullptr) webkit_web_view_go_forward(view_); },
      [this] { return enabledWhen(m_bCanGoForward); });
  router.add(GoHome, [this] { NavigateStartPage(); });
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
      [this] { return enabledWhen(hasSelection_); });
  for (const auto id : {FontLargest, FontLarger, FontMedium, FontSmaller, FontSmallest}) {
    router.add(
        id, [this, id] { setFontSize(id); },
        [this, id] {
          return CommandState{.enabled = true,
                              .checked = m_nFontSizeCmd == static_cast<std::uint32_t>(id)};
        });
  }
  router.add(
      FilePrint, [this] { print(); },
      [] { return enabledWhen(BookLoader::instance().printAllowed() != 0); });
  router.add(FilePrintSetup, [this] { printSetup(); });
  router.add(AppAbout, [this] { Navigate2(BuildAboutPage()); });
}

void CPagoraView::setFontSize(resources::CommandId id) {
  // The choice is kept before the engine is asked, whatever it makes of it.
  m_nFontSizeCmd = static_cast<std::uint32_t>(id);
  const auto factor = zoomFactorFor(id);
  if (view_ == nullptr || !factor) return;
  webkit_settings_set_zoom_text_only(webkit_web_view_get_settings(view_), TRUE);
  webkit_web_view_set_zoom_level(view_, *factor);
}

void CPagoraView::print() {
  // Checked again here: a command can arrive although its item is disabled.
  if (BookLoader::instance().printAllowed() == 0) {
    platform::showNotice(std::string(kPrintingNotAllowedNotice), platform::NoticeIcon::Warning);
    return;
  }
  if (view_ == nullptr) return;
  lastPrint_ = adoptRef(webkit_print_operation_new(view_));
  if (printSettings_) webkit_print_operation_set_print_settings(lastPrint_.get(), printSettings_.get());
  if (pageSetup_) webkit_print_operation_set_page_setup(lastPrint_.get(), pageSetup_.get());
  const auto response = webkit_print_operation_run_dialog(lastPrint_.get(), toplevelOf(GTK_WIDGET(view_)));
  if (response == WEBKIT_PRINT_OPERATION_RESPONSE_PRINT) {
    printSettings_.reset(GTK_PRINT_SETTINGS(
        g_object_ref(webkit_print_operation_get_print_settings(lastPrint_.get()))));
  }
}

void CPagoraView::printSetup() {
  if (!printSettings_) printSettings_ = adoptRef(gtk_print_settings_new());
  GtkPageSetup* chosen =
      gtk_print_run_page_setup_dialog(toplevelOf(GTK_WIDGET(view_)), pageSetup_.get(), printSettings_.get());
  if (chosen != nullptr) pageSetup_ = adoptRef(chosen);
}

}  // namespace pagora::ui
