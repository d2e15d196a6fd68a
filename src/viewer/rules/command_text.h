// How a command's text and a menu label are read: the prompt for the status
// bar, the short name for the tooltip and the toolbar label, and the access
// key and shortcut text of a menu item.
#pragma once

#include <string>
#include <string_view>

namespace pagora::viewer {

// The part before the first line feed: shown in the status bar while the
// command's menu item is highlighted or the pointer rests on its button.
std::string statusPrompt(std::string_view text);

// The part after the first line feed, up to the next one: the tooltip. Empty
// when the text has no line feed.
std::string tooltipText(std::string_view text);

// The last non-empty piece of the text split at every line feed: the toolbar
// button's label. Empty when there is no such piece (the button has no label).
std::string toolbarLabel(std::string_view text);

struct MenuLabel {
  std::string mnemonic;  // GTK mnemonic syntax: "_" before the access key
  std::string shortcut;  // the text after the tab, shown at the item's right
};

// Splits "&Print...\tCtrl+P" into "_Print..." and "Ctrl+P". "&&" is a literal
// ampersand, and a literal underscore is doubled so GTK shows it as written.
MenuLabel parseMenuLabel(std::string_view label);

}  // namespace pagora::viewer
