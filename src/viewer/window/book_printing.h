// BookPrinting: the Print and Print Setup commands and a page's own request to
// print. Where the book forbids printing, Print is disabled, a Print command
// that arrives all the same shows the author's notice, and a page's request is
// refused without a message (a page could ask again and again). Otherwise a
// page gets the same dialog, settings and page set-up as the Print command.
#pragma once

#include <webkit2/webkit2.h>

#include "glib/gobject_ptr.h"
#include "viewer/engine/book_view.h"
#include "viewer/rules/command_router.h"
#include "viewer/rules/notice_sink.h"
#include "viewer/window/modal_dialogs.h"

namespace pagora::viewer {

class BookPrinting {
 public:
  // All three outlive this object; the view's print requests come here from now on.
  BookPrinting(BookView& view, bool printAllowed, NoticeSink& notices, ModalDialogs& dialogs);
  BookPrinting(const BookPrinting&) = delete;
  BookPrinting& operator=(const BookPrinting&) = delete;
  ~BookPrinting();

  void registerCommands(CommandRouter& router);

 private:
  void print();
  void runPrintDialog(glib::GObjectPtr<WebKitPrintOperation> operation);
  void printSetup();
  GtkWindow* parentWindow() const;

  BookView& view_;
  const bool printAllowed_;
  NoticeSink& notices_;
  ModalDialogs& dialogs_;
  glib::GObjectPtr<GtkPageSetup> pageSetup_;          // chosen in Print Setup
  glib::GObjectPtr<GtkPrintSettings> printSettings_;  // kept from one print to the next
  glib::GObjectPtr<WebKitPrintOperation> lastPrint_;   // alive until the next print
  bool dialogOpen_ = false;
};

}  // namespace pagora::viewer
