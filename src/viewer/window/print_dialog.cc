#include "viewer/window/print_dialog.h"

#include <gtk/gtkunixprint.h>

#include <memory>

namespace pagora::viewer {
namespace {

// Holds a reference of its own, so the dialog stays valid to destroy even if
// something destroyed it while it ran.
struct DialogRelease {
  void operator()(GtkWidget* dialog) const {
    gtk_widget_destroy(dialog);
    g_object_unref(dialog);
  }
};

// What the engine can do itself when it lays out the pages.
constexpr auto kEngineCapabilities = static_cast<GtkPrintCapabilities>(
    GTK_PRINT_CAPABILITY_PAGE_SET | GTK_PRINT_CAPABILITY_COPIES | GTK_PRINT_CAPABILITY_COLLATE |
    GTK_PRINT_CAPABILITY_REVERSE | GTK_PRINT_CAPABILITY_SCALE | GTK_PRINT_CAPABILITY_GENERATE_PDF |
    GTK_PRINT_CAPABILITY_NUMBER_UP | GTK_PRINT_CAPABILITY_NUMBER_UP_LAYOUT);

// The file format named by the output file's extension; PDF unless it says
// PostScript or SVG, as GTK's print-to-file does.
const char* fileFormatOf(const char* outputUri) {
  g_autofree char* lower = g_ascii_strdown(outputUri, -1);
  if (g_str_has_suffix(lower, ".ps")) return "ps";
  if (g_str_has_suffix(lower, ".svg")) return "svg";
  return "pdf";
}

}  // namespace

std::optional<PrintChoice> askHowToPrint(ModalDialogs& dialogs, GtkWindow* parent, GtkPrintSettings* settings,
                                         GtkPageSetup* pageSetup) {
  const std::unique_ptr<GtkWidget, DialogRelease> widget(
      GTK_WIDGET(g_object_ref(gtk_print_unix_dialog_new(nullptr, parent))));
  auto* dialog = GTK_PRINT_UNIX_DIALOG(widget.get());
  gtk_print_unix_dialog_set_manual_capabilities(dialog, kEngineCapabilities);
  gtk_print_unix_dialog_set_embed_page_setup(dialog, TRUE);
  if (settings != nullptr) gtk_print_unix_dialog_set_settings(dialog, settings);
  if (pageSetup != nullptr) gtk_print_unix_dialog_set_page_setup(dialog, pageSetup);

  if (dialogs.run(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL) != GTK_RESPONSE_OK) return std::nullopt;
  PrintChoice choice{
      glib::adoptRef(gtk_print_unix_dialog_get_settings(dialog)),
      glib::GObjectPtr<GtkPageSetup>(GTK_PAGE_SETUP(g_object_ref(gtk_print_unix_dialog_get_page_setup(dialog))))};
  if (GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(dialog)) {
    gtk_print_settings_set_printer(choice.settings.get(), gtk_printer_get_name(printer));
  }
  // The dialog leaves the format of a print to file unsaid; the engine, told
  // nothing, writes blank pages on turned paper.
  const char* outputUri = gtk_print_settings_get(choice.settings.get(), GTK_PRINT_SETTINGS_OUTPUT_URI);
  if (outputUri != nullptr &&
      gtk_print_settings_get(choice.settings.get(), GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT) == nullptr) {
    gtk_print_settings_set(choice.settings.get(), GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT,
                           fileFormatOf(outputUri));
  }
  return choice;
}

glib::GObjectPtr<GtkPageSetup> askPageSetup(ModalDialogs& dialogs, GtkWindow* parent, GtkPrintSettings* settings,
                                            GtkPageSetup* pageSetup) {
  const std::unique_ptr<GtkWidget, DialogRelease> widget(
      GTK_WIDGET(g_object_ref(gtk_page_setup_unix_dialog_new(nullptr, parent))));
  auto* dialog = GTK_PAGE_SETUP_UNIX_DIALOG(widget.get());
  if (settings != nullptr) gtk_page_setup_unix_dialog_set_print_settings(dialog, settings);
  if (pageSetup != nullptr) gtk_page_setup_unix_dialog_set_page_setup(dialog, pageSetup);
  if (dialogs.run(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL) != GTK_RESPONSE_OK) return {};
  return glib::GObjectPtr<GtkPageSetup>(GTK_PAGE_SETUP(g_object_ref(gtk_page_setup_unix_dialog_get_page_setup(dialog))));
}

}  // namespace pagora::viewer
