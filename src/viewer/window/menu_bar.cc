#include "viewer/window/menu_bar.h"

#include <algorithm>
#include <string>

#include "viewer/rules/command_text.h"
#include "viewer/rules/shortcuts.h"

namespace pagora::viewer {
namespace {

// An item's child: the label with its access key, and the shortcut text at the
// right exactly as the table writes it.
GtkWidget* labelBox(GtkWidget* item, const MenuLabel& label) {
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  GtkWidget* caption = gtk_label_new_with_mnemonic(label.mnemonic.c_str());
  gtk_label_set_xalign(GTK_LABEL(caption), 0.0F);
  gtk_label_set_mnemonic_widget(GTK_LABEL(caption), item);
  gtk_box_pack_start(GTK_BOX(box), caption, TRUE, TRUE, 0);
  if (!label.shortcut.empty()) {
    GtkWidget* shortcut = gtk_label_new(label.shortcut.c_str());
    gtk_style_context_add_class(gtk_widget_get_style_context(shortcut), GTK_STYLE_CLASS_DIM_LABEL);
    gtk_box_pack_end(GTK_BOX(box), shortcut, FALSE, FALSE, 0);
  }
  return box;
}

}  // namespace

MenuBar::MenuBar(CommandRouter& router, StatusBar& statusBar)
    : router_(router), statusBar_(statusBar), bar_(gtk_menu_bar_new()) {
  g_object_add_weak_pointer(G_OBJECT(bar_), reinterpret_cast<gpointer*>(&bar_));
  for (const auto& menu : menuBar()) {
    const std::string title = parseMenuLabel(menu.label).mnemonic;
    GtkWidget* top = gtk_menu_item_new_with_mnemonic(title.c_str());
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), buildMenu(menu.items));
    gtk_menu_shell_append(GTK_MENU_SHELL(bar_), top);
  }
}

MenuBar::~MenuBar() {
  if (bar_ != nullptr) g_object_remove_weak_pointer(G_OBJECT(bar_), reinterpret_cast<gpointer*>(&bar_));
}

GtkWidget* MenuBar::buildMenu(std::span<const MenuEntry> entries) {
  GtkWidget* menu = gtk_menu_new();
  GSList* radioGroup = nullptr;  // owned by the group's items
  for (const auto& entry : entries) gtk_menu_shell_append(GTK_MENU_SHELL(menu), buildItem(entry, radioGroup));
  g_signal_connect(menu, "show", G_CALLBACK(onMenuShow), this);
  return menu;
}

GtkWidget* MenuBar::buildItem(const MenuEntry& entry, GSList*& radioGroup) {
  if (entry.kind == MenuEntryKind::Separator) return gtk_separator_menu_item_new();
  const MenuLabel label = parseMenuLabel(entry.label);
  if (entry.kind == MenuEntryKind::Submenu) {
    GtkWidget* item = gtk_menu_item_new_with_mnemonic(label.mnemonic.c_str());
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), buildMenu(entry.submenu));
    g_signal_connect(item, "select", G_CALLBACK(onDeselect), this);
    return item;
  }
  GtkWidget* item = nullptr;
  if (entry.radio) {
    item = gtk_radio_menu_item_new(radioGroup);
    radioGroup = gtk_radio_menu_item_get_group(GTK_RADIO_MENU_ITEM(item));
  } else {
    item = entry.checkable ? gtk_check_menu_item_new() : gtk_menu_item_new();
  }
  gtk_container_add(GTK_CONTAINER(item), labelBox(item, label));
  const std::string shortcut = shortcutText(entry.id);
  if (!shortcut.empty()) atk_object_set_description(gtk_widget_get_accessible(item), shortcut.c_str());
  g_signal_connect(item, "activate", G_CALLBACK(onActivate), this);
  g_signal_connect(item, "select", G_CALLBACK(onSelect), this);
  g_signal_connect(item, "deselect", G_CALLBACK(onDeselect), this);
  items_.push_back({GTK_MENU_ITEM(item), entry.id, entry.checkable});
  return item;
}

void MenuBar::updateStates() {
  if (bar_ == nullptr) return;
  updating_ = true;
  for (const Item& item : items_) {
    const CommandState state = router_.state(item.id);
    gtk_widget_set_sensitive(GTK_WIDGET(item.item), state.enabled);
    if (item.checkable) gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item.item), state.checked);
  }
  updating_ = false;
}

const MenuBar::Item* MenuBar::itemFor(GtkMenuItem* item) const {
  const auto found = std::ranges::find(items_, item, &Item::item);
  return found == items_.end() ? nullptr : &*found;
}

void MenuBar::onActivate(GtkMenuItem* item, gpointer self) {
  auto* bar = static_cast<MenuBar*>(self);
  if (bar->updating_) return;
  const Item* found = bar->itemFor(item);
  if (found == nullptr) return;
  const CommandId id = found->id;
  bar->router_.execute(id);
  // A check item toggled itself; the command's update handler has the last word.
  bar->updateStates();
}

void MenuBar::onSelect(GtkMenuItem* item, gpointer self) {
  auto* bar = static_cast<MenuBar*>(self);
  if (const Item* found = bar->itemFor(item)) {
    bar->statusBar_.showPrompt(statusPrompt(findCommand(found->id)->text));
  }
}

void MenuBar::onDeselect(GtkMenuItem*, gpointer self) {
  static_cast<MenuBar*>(self)->statusBar_.showIdleMessage();
}

void MenuBar::onMenuShow(GtkWidget*, gpointer self) { static_cast<MenuBar*>(self)->updateStates(); }

}  // namespace pagora::viewer
