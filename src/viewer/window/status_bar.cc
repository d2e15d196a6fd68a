#include "viewer/window/status_bar.h"

#include <string_view>

#include "viewer/rules/command_table.h"

namespace pagora::viewer {
namespace {

// An indicator pane: sunken, as wide as its text, so the bar keeps its layout
// whether the text is shown or not.
GtkLabel* addIndicator(GtkBox* bar, std::string_view text) {
  GtkWidget* frame = gtk_frame_new(nullptr);
  gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);
  GtkWidget* label = gtk_label_new(nullptr);
  gtk_label_set_width_chars(GTK_LABEL(label), static_cast<int>(text.size()) + 1);
  gtk_container_add(GTK_CONTAINER(frame), label);
  gtk_widget_set_margin_top(frame, 3);
  gtk_widget_set_margin_bottom(frame, 3);
  gtk_box_pack_start(bar, frame, FALSE, FALSE, 0);
  return GTK_LABEL(label);
}

// The display's keymap, or null where asking for it would fail: GTK's Wayland
// backend takes the keymap from the seat, and a compositor without input
// devices may offer no seat at all. The lock keys are then off.
GdkKeymap* keymapIfAny() {
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr || gdk_display_get_default_seat(display) == nullptr) return nullptr;
  return gdk_keymap_get_for_display(display);
}

void showWhen(GtkLabel* indicator, bool on, std::string_view text) {
  const std::string shown = on ? std::string(text) : std::string();
  if (shown != gtk_label_get_text(indicator)) gtk_label_set_text(indicator, shown.c_str());
}

}  // namespace

StatusBar::StatusBar()
    : bar_(gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 2)), messagePane_(GTK_STATUSBAR(gtk_statusbar_new())) {
  // The indicators sit beside the message pane, not inside it, so each is an
  // object of its own for the accessibility tree.
  g_object_add_weak_pointer(G_OBJECT(bar_), reinterpret_cast<gpointer*>(&bar_));
  gtk_box_pack_start(GTK_BOX(bar_), GTK_WIDGET(messagePane_), TRUE, TRUE, 0);
  context_ = gtk_statusbar_get_context_id(messagePane_, "message pane");
  caps_ = addIndicator(GTK_BOX(bar_), kIndicatorCaps);
  num_ = addIndicator(GTK_BOX(bar_), kIndicatorNum);
  scroll_ = addIndicator(GTK_BOX(bar_), kIndicatorScroll);
  showIdleMessage();

  if (GdkKeymap* keymap = keymapIfAny()) {
    keymapChanged_ = glib::SignalConnection(keymap, "state-changed", G_CALLBACK(onKeymapStateChanged), this);
  }
  updateIndicators();
}

StatusBar::~StatusBar() {
  if (bar_ != nullptr) g_object_remove_weak_pointer(G_OBJECT(bar_), reinterpret_cast<gpointer*>(&bar_));
}

void StatusBar::showPrompt(const std::string& prompt) {
  if (!alive()) return;
  gtk_statusbar_remove_all(messagePane_, context_);
  gtk_statusbar_push(messagePane_, context_, prompt.c_str());
}

void StatusBar::showIdleMessage() { showPrompt(std::string(kIdleMessage)); }

void StatusBar::updateIndicators() {
  if (!alive()) return;
  GdkKeymap* keymap = keymapIfAny();
  showWhen(caps_, keymap != nullptr && gdk_keymap_get_caps_lock_state(keymap), kIndicatorCaps);
  showWhen(num_, keymap != nullptr && gdk_keymap_get_num_lock_state(keymap), kIndicatorNum);
  showWhen(scroll_, keymap != nullptr && gdk_keymap_get_scroll_lock_state(keymap), kIndicatorScroll);
}

void StatusBar::onKeymapStateChanged(GdkKeymap*, gpointer self) {
  static_cast<StatusBar*>(self)->updateIndicators();
}

}  // namespace pagora::viewer

