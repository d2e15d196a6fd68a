// The reader's print dialog: GTK's own, with the printer's options and the
// page set-up on one of its tabs. The engine then prints with what was chosen.
#pragma once

#include <gtk/gtk.h>

#include <optional>

#include "glib/gobject_ptr.h"
#include "viewer/window/modal_dialogs.h"

namespace pagora::viewer {

struct PrintChoice {
  glib::GObjectPtr<GtkPrintSettings> settings;  // names the chosen printer
  glib::GObjectPtr<GtkPageSetup> pageSetup;
};

// Runs the dialog through `dialogs` over `parent`, starting from `settings`
// and `pageSetup` where given (either may be null). Nothing when the reader
// cancels or closes it, or it was dismissed.
std::optional<PrintChoice> askHowToPrint(ModalDialogs& dialogs, GtkWindow* parent, GtkPrintSettings* settings,
                                         GtkPageSetup* pageSetup);

// GTK's page set-up dialog, run the same way: the paper and orientation
// chosen, or nothing.
glib::GObjectPtr<GtkPageSetup> askPageSetup(ModalDialogs& dialogs, GtkWindow* parent, GtkPrintSettings* settings,
                                            GtkPageSetup* pageSetup);

}  // namespace pagora::viewer
