#include "viewer/window/shortcuts_window.h"

#include "viewer/rules/shortcuts.h"

namespace pagora::viewer {
namespace {

GtkWidget* buildWindow(GtkWindow* parent) {
  GtkWidget* section = GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_SECTION, "section-name", "shortcuts",
                                               "max-height", 14, "visible", TRUE, nullptr));
  for (const ShortcutGroup& group : shortcutGroups()) {
    GtkWidget* box = GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_GROUP, "title", group.title.c_str(),
                                             "visible", TRUE, nullptr));
    for (const ShortcutRow& row : group.rows) {
      GtkWidget* shortcut = GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_SHORTCUT, "title", row.title.c_str(),
                                                    "accelerator", row.accelerators.c_str(), "visible", TRUE,
                                                    nullptr));
      gtk_container_add(GTK_CONTAINER(box), shortcut);
    }
    gtk_container_add(GTK_CONTAINER(section), box);
  }
  GtkWidget* window = GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_WINDOW, "title", "Keyboard Shortcuts",
                                              "transient-for", parent, "destroy-with-parent", TRUE,
                                              "modal", FALSE, nullptr));
  gtk_container_add(GTK_CONTAINER(window), section);
  return window;
}

}  // namespace

ShortcutsWindow::~ShortcutsWindow() {
  if (window_ != nullptr) gtk_widget_destroy(window_);
}

void ShortcutsWindow::show() {
  if (window_ == nullptr) {
    window_ = buildWindow(parent_);
    g_object_add_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
  }
  gtk_window_present(GTK_WINDOW(window_));
}

}  // namespace pagora::viewer
