// The reader's print dialog: GTK's own, with the printer's options and the
// page set-up on one of its tabs. The engine then prints with what was chosen.
#pragma once

#include <gtk/gtk.h>

#include <optional>

#include "glib/gobject_ptr.h"

namespace pagora::viewer {

struct PrintChoice {
  glib::GObjectPtr<GtkPrintSettings> settings;  // names the chosen printer
  glib::GObjectPtr<GtkPageSetup> pageSetup;
};

// Runs the dialog modally over `parent`, starting from `settings` and
// `pageSetup` where given (either may be null). Nothing when the reader
// cancels or closes it.
std::optional<PrintChoice> askHowToPrint(GtkWindow* parent, GtkPrintSettings* settings, GtkPageSetup* pageSetup);

}  // namespace pagora::viewer
