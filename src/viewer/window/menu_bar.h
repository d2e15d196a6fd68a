// The frame's menu bar, built from the command table. A menu's items are
// enabled and checked by their commands' update handlers each time the menu
// opens; a highlighted item shows its command's prompt in the status bar.
// Each item tells assistive technology its shortcut as its description.
#pragma once

#include <gtk/gtk.h>

#include <span>
#include <vector>

#include "viewer/rules/command_table.h"
#include "viewer/rules/command_router.h"
#include "viewer/window/status_bar.h"

namespace pagora::viewer {

class MenuBar {
 public:
  MenuBar(CommandRouter& router, StatusBar& statusBar);
  MenuBar(const MenuBar&) = delete;
  MenuBar& operator=(const MenuBar&) = delete;
  ~MenuBar();

  GtkWidget* widget() const { return bar_; }

  // Re-reads every item's enabled state and check mark from the router.
  void updateStates();

 private:
  struct Item {
    GtkMenuItem* item;
    CommandId id;
    bool checkable;
  };

  GtkWidget* buildMenu(std::span<const MenuEntry> entries);
  // `radioGroup` is the group of the radio items built so far in this menu.
  GtkWidget* buildItem(const MenuEntry& entry, GSList*& radioGroup);
  const Item* itemFor(GtkMenuItem* item) const;

  static void onActivate(GtkMenuItem* item, gpointer self);
  static void onSelect(GtkMenuItem* item, gpointer self);
  static void onDeselect(GtkMenuItem* item, gpointer self);
  static void onMenuShow(GtkWidget* menu, gpointer self);

  CommandRouter& router_;
  StatusBar& statusBar_;
  GtkWidget* bar_;  // weak: owned by the frame's widget tree
  std::vector<Item> items_;
  bool updating_ = false;  // check marks set by updateStates() are not commands
};

}  // namespace pagora::viewer
