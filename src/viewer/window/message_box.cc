#include "viewer/window/message_box.h"

#include <string_view>

#include "viewer/rules/command_table.h"
#include "glib/display_text.h"

namespace pagora::viewer {
namespace {

GtkMessageType messageTypeFor(NoticeIcon icon) {
  switch (icon) {
    case NoticeIcon::Information: return GTK_MESSAGE_INFO;
    case NoticeIcon::Error: return GTK_MESSAGE_ERROR;
    case NoticeIcon::Warning: break;
  }
  return GTK_MESSAGE_WARNING;
}

}  // namespace

MessageBoxSink::~MessageBoxSink() { setOwner(nullptr); }

void MessageBoxSink::setOwner(GtkWindow* owner) {
  if (owner_ != nullptr) g_object_remove_weak_pointer(G_OBJECT(owner_), reinterpret_cast<gpointer*>(&owner_));
  owner_ = owner;
  if (owner_ != nullptr) g_object_add_weak_pointer(G_OBJECT(owner_), reinterpret_cast<gpointer*>(&owner_));
}

void MessageBoxSink::show(const Notice& notice) {
  if (dialogs_.dismissed()) return;
  GtkWidget* dialog = gtk_message_dialog_new(owner_, GTK_DIALOG_MODAL, messageTypeFor(notice.icon),
                                             GTK_BUTTONS_OK, "%s", glib::displayText(notice.text).c_str());
  const std::string title(kApplicationName);
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  if (owner_ == nullptr) gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), owner_ == nullptr);
  dialogs_.run(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  gtk_widget_destroy(dialog);
}

}  // namespace pagora::viewer
