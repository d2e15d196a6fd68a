#include "viewer/window/label_toolbar.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "viewer/rules/command_table.h"
#include "viewer/rules/command_text.h"
#include "viewer/rules/shortcuts.h"

namespace pagora::viewer {

LabelToolbar::LabelToolbar(CommandRouter& router, StatusBar& statusBar)
    : router_(router), statusBar_(statusBar), toolbar_(GTK_TOOLBAR(gtk_toolbar_new())) {
  g_object_add_weak_pointer(G_OBJECT(toolbar_), reinterpret_cast<gpointer*>(&toolbar_));
  gtk_toolbar_set_style(toolbar_, GTK_TOOLBAR_BOTH);
  gtk_toolbar_set_icon_size(toolbar_, GTK_ICON_SIZE_LARGE_TOOLBAR);
  gtk_toolbar_set_show_arrow(toolbar_, FALSE);
  g_signal_connect(toolbar_, "focus", G_CALLBACK(onFocus), this);
}

LabelToolbar::~LabelToolbar() {
  if (toolbar_ != nullptr) {
    g_object_remove_weak_pointer(G_OBJECT(toolbar_), reinterpret_cast<gpointer*>(&toolbar_));
  }
}

bool LabelToolbar::load() {
  if (toolbar_ == nullptr) return false;
  for (const auto& slot : toolbarLayout()) {
    if (slot.separator) {
      gtk_toolbar_insert(toolbar_, gtk_separator_tool_item_new(), -1);
      continue;
    }
    const CommandEntry* entry = findCommand(slot.id);
    if (entry == nullptr) return false;
    const std::string icon(entry->iconName);
    GtkWidget* image = gtk_image_new_from_icon_name(icon.c_str(), GTK_ICON_SIZE_LARGE_TOOLBAR);
    const std::string label = toolbarLabel(entry->text);
    GtkToolItem* item = gtk_tool_button_new(image, label.empty() ? nullptr : label.c_str());
    gtk_tool_item_set_homogeneous(item, TRUE);
    gtk_tool_item_set_is_important(item, TRUE);
    const std::string tooltip = tooltipText(entry->text);
    if (!tooltip.empty()) gtk_tool_item_set_tooltip_text(item, tooltip.c_str());
    g_signal_connect(item, "clicked", G_CALLBACK(onClicked), this);
    // The prompt follows the pointer over the button itself.
    GtkWidget* button = gtk_bin_get_child(GTK_BIN(item));
    g_signal_connect(button, "enter-notify-event", G_CALLBACK(onPointerEnter), this);
    g_signal_connect(button, "leave-notify-event", G_CALLBACK(onPointerLeave), this);
    // Set even when empty: the tooltip would stand in for it otherwise.
    atk_object_set_description(gtk_widget_get_accessible(button), shortcutText(slot.id).c_str());
    gtk_toolbar_insert(toolbar_, item, -1);
    buttons_.push_back({item, slot.id});
  }
  updateStates();
  return true;
}

void LabelToolbar::updateStates() {
  if (toolbar_ == nullptr) return;
  for (const Button& button : buttons_) {
    const bool enabled = router_.state(button.id).enabled;
    if (gtk_widget_get_sensitive(GTK_WIDGET(button.item)) != enabled) {
      gtk_widget_set_sensitive(GTK_WIDGET(button.item), enabled);
    }
  }
}

const LabelToolbar::Button* LabelToolbar::buttonFor(GtkWidget* widget) const {
  const auto found = std::ranges::find_if(buttons_, [&](const Button& button) {
    return GTK_WIDGET(button.item) == widget ||
           gtk_bin_get_child(GTK_BIN(button.item)) == widget;
  });
  return found == buttons_.end() ? nullptr : &*found;
}

void LabelToolbar::onClicked(GtkToolButton* button, gpointer self) {
  auto* toolbar = static_cast<LabelToolbar*>(self);
  if (const Button* found = toolbar->buttonFor(GTK_WIDGET(button))) {
    toolbar->router_.execute(found->id);
  }
}

gboolean LabelToolbar::onFocus(GtkWidget* toolbar, GtkDirectionType direction, gpointer self) {
  // Arrow keys move within the toolbar as GTK has it; Tab and Shift+Tab go
  // from button to button, and on out of the toolbar after the last one.
  if (direction != GTK_DIR_TAB_FORWARD && direction != GTK_DIR_TAB_BACKWARD) return FALSE;
  std::vector<GtkWidget*> reachable;
  for (const Button& button : static_cast<LabelToolbar*>(self)->buttons_) {
    GtkWidget* widget = gtk_bin_get_child(GTK_BIN(button.item));
    if (gtk_widget_is_sensitive(widget) && gtk_widget_get_mapped(widget) && gtk_widget_get_can_focus(widget)) {
      reachable.push_back(widget);
    }
  }
  if (direction == GTK_DIR_TAB_BACKWARD) std::ranges::reverse(reachable);
  const auto focused = std::ranges::find_if(reachable, [](GtkWidget* widget) { return gtk_widget_has_focus(widget); });
  const bool inside = gtk_container_get_focus_child(GTK_CONTAINER(toolbar)) != nullptr && focused != reachable.end();
  const auto next = inside ? std::next(focused) : reachable.begin();
  if (next == reachable.end()) return FALSE;  // the toolbar's own handler lets the focus leave
  gtk_widget_grab_focus(*next);
  return TRUE;
}

gboolean LabelToolbar::onPointerEnter(GtkWidget* widget, GdkEvent*, gpointer self) {
  auto* toolbar = static_cast<LabelToolbar*>(self);
  if (const Button* found = toolbar->buttonFor(widget)) {
    toolbar->statusBar_.showPrompt(statusPrompt(findCommand(found->id)->text));
  }
  return FALSE;
}

gboolean LabelToolbar::onPointerLeave(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<LabelToolbar*>(self)->statusBar_.showIdleMessage();
  return FALSE;
}

}  // namespace pagora::viewer
