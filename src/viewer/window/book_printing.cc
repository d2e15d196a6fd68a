#include "viewer/window/book_printing.h"

#include <string>
#include <string_view>

#include "viewer/window/print_dialog.h"

namespace pagora::viewer {
namespace {

constexpr std::string_view kPrintingNotAllowedNotice =
    "The author of this E-Book has decided not to allow printing";

}  // namespace

BookPrinting::BookPrinting(BookView& view, bool printAllowed, NoticeSink& notices, ModalDialogs& dialogs)
    : view_(view), printAllowed_(printAllowed), notices_(notices), dialogs_(dialogs) {
  view_.onPrintRequest([this](WebKitPrintOperation* operation) {
    if (!printAllowed_) return;
    runPrintDialog(glib::GObjectPtr<WebKitPrintOperation>(WEBKIT_PRINT_OPERATION(g_object_ref(operation))));
  });
}

BookPrinting::~BookPrinting() { view_.onPrintRequest(nullptr); }

void BookPrinting::registerCommands(CommandRouter& router) {
  using enum CommandId;
  router.add(
      FilePrint, [this] { print(); }, [this] { return CommandState{printAllowed_, false}; });
  router.add(FilePrintSetup, [this] { printSetup(); });
}

GtkWindow* BookPrinting::parentWindow() const {
  GtkWidget* widget = view_.widget();
  GtkWidget* toplevel = widget != nullptr ? gtk_widget_get_toplevel(widget) : nullptr;
  return toplevel != nullptr && gtk_widget_is_toplevel(toplevel) ? GTK_WINDOW(toplevel) : nullptr;
}

void BookPrinting::print() {
  // Checked again here: a command can arrive although its item is disabled.
  if (!printAllowed_) {
    notices_.show({std::string(kPrintingNotAllowedNotice), NoticeIcon::Warning});
    return;
  }
  if (view_.webView() == nullptr) return;
  runPrintDialog(glib::adoptRef(webkit_print_operation_new(view_.webView())));
}

void BookPrinting::runPrintDialog(glib::GObjectPtr<WebKitPrintOperation> operation) {
  // One dialog at a time: a page's script may ask again while one is open.
  if (dialogOpen_ || view_.webView() == nullptr) return;
  // GTK's dialog is run here rather than by the engine, so that what the
  // engine is given can be completed first (see askHowToPrint).
  dialogOpen_ = true;
  auto choice = askHowToPrint(dialogs_, parentWindow(), printSettings_.get(), pageSetup_.get());
  dialogOpen_ = false;
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

void BookPrinting::printSetup() {
  if (auto chosen = askPageSetup(dialogs_, parentWindow(), printSettings_.get(), pageSetup_.get())) {
    pageSetup_ = std::move(chosen);
  }
}

}  // namespace pagora::viewer
