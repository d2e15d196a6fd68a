// The viewer's keys as the reader is told them: a command's shortcut in
// words, for the description of its menu item and button, and the groups of
// the keyboard shortcuts window. Both come from the command table, so every
// accelerator is listed and nothing is listed that no key does; the keys the
// page itself handles (Space) are added at the end.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "viewer/rules/command_ids.h"

namespace pagora::viewer {

// A GTK accelerator in the words of the menus: "<Control>plus" reads
// "Ctrl++", "<Alt>Left" "Alt+Left Arrow", "Escape" "Esc".
std::string acceleratorText(std::string_view keys);

// The shortcut the command's menu item shows, else its first accelerator in
// words; empty for a command no key carries out.
std::string shortcutText(CommandId id);

struct ShortcutRow {
  std::string title;         // what the keys do, as the menu item says it
  std::string accelerators;  // GTK accelerator syntax, separated by spaces
};

struct ShortcutGroup {
  std::string title;
  std::vector<ShortcutRow> rows;
};

// One group per menu with the commands of that menu that keys carry out, in
// menu order; then any command with keys but no menu item; then the page's
// own keys. Each command is one row holding all of its accelerators.
std::vector<ShortcutGroup> shortcutGroups();

}  // namespace pagora::viewer
