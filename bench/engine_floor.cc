// pagora-engine-floor: the least a GTK program can do to show a page with
// WebKitGTK, as the floor for the viewer's start-up. One 900x700 window
// holding one web view, the engine's sandbox on and the folder of the page
// readable, an ephemeral context, and nothing else: no menu, toolbar,
// status bar, scripts or policies. GTK leaves GL alone on a machine without
// a graphics device, as in the viewer.
//
// With PAGORA_FLOOR_DATA_FOLDER=FOLDER the engine keeps its data in FOLDER
// instead of an ephemeral context, as the viewer keeps its own in the
// book's private folder (visited links are marked only then): the floor
// for that set-up.
//
// With PAGORA_REPORT_LOAD_FINISHED=FILE in the environment it writes
// CLOCK_MONOTONIC in nanoseconds to FILE when the first page has finished
// loading, as the viewer does. It runs until its window is closed or it gets
// SIGTERM or SIGINT.
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "glib/gl_choice.h"

namespace {

constexpr char kHelp[] =
    "Usage: pagora-engine-floor PAGE\n"
    "\n"
    "Shows the HTML file PAGE in a bare GTK window with a WebKitGTK view.\n"
    "PAGORA_REPORT_LOAD_FINISHED=FILE: write the monotonic clock (ns) to FILE\n"
    "when the page has finished loading.\n"
    "PAGORA_FLOOR_DATA_FOLDER=FOLDER: keep the engine's data in FOLDER rather\n"
    "than in an ephemeral context.\n";

struct LoadReport {
  const char* path = nullptr;
  bool written = false;
};

void writeLoadFinished(LoadReport& report) {
  if (report.path == nullptr || report.written) return;
  report.written = true;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::unique_ptr<FILE, decltype(&std::fclose)> out(std::fopen(report.path, "w"), &std::fclose);
  if (out == nullptr) {
    std::perror(report.path);
    return;
  }
  std::fprintf(out.get(), "%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
}

void onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  if (event == WEBKIT_LOAD_FINISHED) writeLoadFinished(*static_cast<LoadReport*>(data));
}

gboolean onQuitSignal(gpointer) {
  gtk_main_quit();
  return G_SOURCE_REMOVE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("pagora-engine-floor %s\n", PAGORA_VERSION);
    return 0;
  }
  if (argc != 2) {
    std::fputs(kHelp, stderr);
    return 2;
  }
  {
    // The viewer's choice of GL, made the same way.
    const pagora::glib::GlChoice gl;
    gtk_init(&argc, &argv);
  }

  g_autofree char* absolute = g_canonicalize_filename(argv[1], nullptr);
  g_autofree char* folder = g_path_get_dirname(absolute);
  g_autofree char* uri = g_filename_to_uri(absolute, nullptr, nullptr);
  if (uri == nullptr) {
    std::fprintf(stderr, "pagora-engine-floor: %s: not a file name\n", argv[1]);
    return 2;
  }

  const char* dataFolder = g_getenv("PAGORA_FLOOR_DATA_FOLDER");
  g_autoptr(WebKitWebContext) context = nullptr;
  if (dataFolder != nullptr && dataFolder[0] != '\0') {
    g_autoptr(WebKitWebsiteDataManager) manager = webkit_website_data_manager_new(
        "base-data-directory", dataFolder, "base-cache-directory", dataFolder, nullptr);
    context = webkit_web_context_new_with_website_data_manager(manager);
  } else {
    context = webkit_web_context_new_ephemeral();
  }
  webkit_web_context_set_sandbox_enabled(context, TRUE);
  webkit_web_context_add_path_to_sandbox(context, folder, TRUE);

  LoadReport report{g_getenv("PAGORA_REPORT_LOAD_FINISHED")};
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 900, 700);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, nullptr));
  g_signal_connect(view, "load-changed", G_CALLBACK(onLoadChanged), &report);
  gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(view));
  webkit_web_view_load_uri(view, uri);
  gtk_widget_show_all(window);

  g_unix_signal_add(SIGTERM, onQuitSignal, nullptr);
  g_unix_signal_add(SIGINT, onQuitSignal, nullptr);
  gtk_main();
  return 0;
}
