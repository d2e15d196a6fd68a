#include "viewer/rules/shortcuts.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>

#include "viewer/rules/command_table.h"
#include "viewer/rules/command_text.h"

namespace pagora::viewer {
namespace {

struct KeyWord {
  std::string_view key;
  std::string_view word;
};

constexpr std::array kKeyWords{
    KeyWord{"plus", "+"},          KeyWord{"minus", "-"},         KeyWord{"equal", "="},
    KeyWord{"question", "?"},      KeyWord{"BackSpace", "Backspace"}, KeyWord{"Escape", "Esc"},
    KeyWord{"Left", "Left Arrow"}, KeyWord{"Right", "Right Arrow"}, KeyWord{"Up", "Up Arrow"},
    KeyWord{"Down", "Down Arrow"}, KeyWord{"KP_Add", "Num +"},    KeyWord{"KP_Subtract", "Num -"},
    KeyWord{"space", "Space"},     KeyWord{"Insert", "Insert"},
};

constexpr std::array kModifierWords{
    KeyWord{"<Control>", "Ctrl+"}, KeyWord{"<Primary>", "Ctrl+"}, KeyWord{"<Shift>", "Shift+"},
    KeyWord{"<Alt>", "Alt+"},
};

// Keys the page handles by itself; the window only lists them.
struct PageKey {
  std::string_view accelerators;
  std::string_view title;
};
constexpr std::array kPageKeys{
    PageKey{"space", "Scroll down one screen"},
    PageKey{"<Shift>space", "Scroll up one screen"},
};

// The caption of a menu label without its access key, shortcut or dots.
std::string captionOf(std::string_view label) {
  std::string caption;
  const std::string mnemonic = parseMenuLabel(label).mnemonic;
  for (std::size_t i = 0; i < mnemonic.size(); ++i) {
    if (mnemonic[i] == '_' && i + 1 < mnemonic.size()) ++i;
    caption += mnemonic[i];
  }
  while (caption.ends_with('.')) caption.pop_back();
  return caption;
}

std::string acceleratorsOf(CommandId id) {
  std::string keys;
  for (const Accelerator& accelerator : accelerators()) {
    if (accelerator.id != id) continue;
    if (!keys.empty()) keys += ' ';
    keys += accelerator.keys;
  }
  return keys;
}

const MenuEntry* findMenuItem(std::span<const MenuEntry> entries, CommandId id) {
  for (const MenuEntry& entry : entries) {
    if (entry.kind == MenuEntryKind::Command && entry.id == id) return &entry;
    if (entry.kind == MenuEntryKind::Submenu) {
      if (const MenuEntry* found = findMenuItem(entry.submenu, id)) return found;
    }
  }
  return nullptr;
}

void addRows(std::span<const MenuEntry> entries, std::set<CommandId>& listed, std::vector<ShortcutRow>& rows) {
  for (const MenuEntry& entry : entries) {
    if (entry.kind == MenuEntryKind::Submenu) addRows(entry.submenu, listed, rows);
    if (entry.kind != MenuEntryKind::Command || listed.contains(entry.id)) continue;
    std::string keys = acceleratorsOf(entry.id);
    if (keys.empty()) continue;
    listed.insert(entry.id);
    rows.push_back({captionOf(entry.label), std::move(keys)});
  }
}

}  // namespace

std::string acceleratorText(std::string_view keys) {
  std::string text;
  bool matched = true;
  while (matched) {
    matched = false;
    for (const KeyWord& modifier : kModifierWords) {
      if (keys.starts_with(modifier.key)) {
        text += modifier.word;
        keys.remove_prefix(modifier.key.size());
        matched = true;
      }
    }
  }
  const auto* word = std::ranges::find(kKeyWords, keys, &KeyWord::key);
  if (word != kKeyWords.end()) {
    text += word->word;
  } else if (keys.size() == 1) {
    text += static_cast<char>(std::toupper(static_cast<unsigned char>(keys.front())));
  } else {
    text += keys;
  }
  return text;
}

std::string shortcutText(CommandId id) {
  for (const Menu& menu : menuBar()) {
    if (const MenuEntry* item = findMenuItem(menu.items, id)) {
      std::string shown = parseMenuLabel(item->label).shortcut;
      if (!shown.empty()) return shown;
    }
  }
  for (const Accelerator& accelerator : accelerators()) {
    if (accelerator.id == id) return acceleratorText(accelerator.keys);
  }
  return {};
}

std::vector<ShortcutGroup> shortcutGroups() {
  std::vector<ShortcutGroup> groups;
  std::set<CommandId> listed;
  for (const Menu& menu : menuBar()) {
    ShortcutGroup group{captionOf(menu.label), {}};
    addRows(menu.items, listed, group.rows);
    if (!group.rows.empty()) groups.push_back(std::move(group));
  }
  ShortcutGroup others{"Other Keys", {}};
  for (const CommandEntry& entry : commandTable()) {
    std::string keys = acceleratorsOf(entry.id);
    if (keys.empty() || listed.contains(entry.id)) continue;
    others.rows.push_back({tooltipText(entry.text), std::move(keys)});
  }
  if (!others.rows.empty()) groups.push_back(std::move(others));
  ShortcutGroup page{"Page", {}};
  for (const PageKey& key : kPageKeys) page.rows.push_back({std::string(key.title), std::string(key.accelerators)});
  groups.push_back(std::move(page));
  return groups;
}

}  // namespace pagora::viewer
