// The one table of the viewer's commands and the window resources built from
// it: names and texts (prompt, then a line feed, then the short name), the menu
// bar, the toolbar's slots and the accelerators. The GUI reads nothing else to
// build its menu, toolbar, tooltips, status prompts and key bindings.
#pragma once

#include <span>
#include <string_view>

#include "viewer/rules/command_ids.h"

namespace pagora::viewer {

// The application's name: dialog captions and the program name.
inline constexpr std::string_view kApplicationName = "pagora";
// The message pane's text when no prompt is shown.
inline constexpr std::string_view kIdleMessage = "Ready";
inline constexpr std::string_view kIndicatorCaps = "CAP";
inline constexpr std::string_view kIndicatorNum = "NUM";
inline constexpr std::string_view kIndicatorScroll = "SCRL";

struct CommandEntry {
  CommandId id;
  std::string_view name;  // e.g. "ID_GO_BACK"
  std::string_view text;  // "prompt\nshort name"
  std::string_view iconName;  // themed icon for a toolbar slot; empty if none
};

// Every command, in identifier order.
std::span<const CommandEntry> commandTable();
// The entry of `id`; nullptr for an identifier the table does not hold.
const CommandEntry* findCommand(CommandId id);

enum class MenuEntryKind { Command, Separator, Submenu };

struct MenuEntry {
  MenuEntryKind kind;
  // "&" marks the access key, a tab separates the shortcut text. Empty for a
  // separator.
  std::string_view label;
  CommandId id{};  // for Command entries
  std::span<const MenuEntry> submenu{};  // for Submenu entries
  bool checkable = false;  // shows a check mark when its command says so
  bool radio = false;      // checkable, one of the adjacent radio items of its menu
};

struct Menu {
  std::string_view label;
  std::span<const MenuEntry> items;
};

// The menu bar, left to right.
std::span<const Menu> menuBar();

struct ToolbarSlot {
  bool separator;
  CommandId id{};  // when not a separator
};

// The toolbar, left to right: buttons in groups split by separators.
std::span<const ToolbarSlot> toolbarLayout();

struct Accelerator {
  std::string_view keys;  // GTK accelerator syntax, e.g. "<Control>c"
  CommandId id;
  // Taken only when nothing else did: the page (a text field in it edits
  // with Backspace) and the window's own fields come first.
  bool whenUnclaimed = false;
};

// The keys that carry out a command wherever the focus is in the window,
// and those that do so only when neither the page nor a field took them.
std::span<const Accelerator> accelerators();

}  // namespace pagora::viewer
