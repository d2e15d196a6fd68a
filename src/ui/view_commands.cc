// The commands that CPagoraView carries out on the engine, with the update
// handlers that enable and check their menu items and buttons.
#include <string_view>

#include "container/book_loader.h"
#include "pages/about_page.h"
#include "platform/notice.h"
#include "ui/book_view.h"
#include "ui/font_sizes.h"
#include "ui/print_dialog.h"

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
  runPrintDialog(adoptRef(webkit_print_operation_new(view_)));
}

void CPagoraView::runPrintDialog(GObjectPtr<WebKitPrintOperation> operation) {
  // One dialog at a time: a page's script may ask again while one is open.
  if (printDialogOpen_) return;
  // GTK's dialog is run here rather than by the engine, so that what the
  // engine is given can be completed first (see askHowToPrint).
  printDialogOpen_ = true;
  auto choice = askHowToPrint(toplevelOf(GTK_WIDGET(view_)), printSettings_.get(), pageSetup_.get());
  printDialogOpen_ = false;
  if (!choice) return;
  // What the reader chose, printer and paper alike, is where the next print starts.
  printSettings_ = std::move(choice->settings);
  pageSetup_ = std::move(choice->pageSetup);
  webkit_print_operation_set_print_settings(operation.get(), printSettings_.get());
  webkit_print_operation_set_page_setup(operation.get(), pageSetup_.get());
  webkit_print_operation_print(operation.get());
  // Printing goes on after this returns.
  lastPrint_ = std::move(operation);
}

gboolean CPagoraView::onScriptPrint(WebKitWebView*, WebKitPrintOperation* operation, gpointer self) {
  auto* view = static_cast<CPagoraView*>(self);
  // A page's own print request is refused without a message where the book
  // forbids printing (a page could ask again and again); otherwise it gets the
  // same dialog, settings and page set-up as the Print command.
  if (BookLoader::instance().printAllowed() != 0 && view->view_ != nullptr) {
    view->runPrintDialog(GObjectPtr<WebKitPrintOperation>(WEBKIT_PRINT_OPERATION(g_object_ref(operation))));
  }
  return TRUE;
}

void CPagoraView::printSetup() {
  GtkPageSetup* chosen =
      gtk_print_run_page_setup_dialog(toplevelOf(GTK_WIDGET(view_)), pageSetup_.get(), printSettings_.get());
  if (chosen != nullptr) pageSetup_ = adoptRef(chosen);
}

}  // namespace pagora::ui
