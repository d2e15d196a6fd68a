#include "viewer/rules/command_table.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "viewer/rules/command_text.h"

namespace pagora::viewer {
namespace {

void collectCommands(std::span<const MenuEntry> entries, std::vector<CommandId>& out) {
  for (const auto& entry : entries) {
    if (entry.kind == MenuEntryKind::Command) out.push_back(entry.id);
    if (entry.kind == MenuEntryKind::Submenu) collectCommands(entry.submenu, out);
  }
}

TEST(CommandTableTest, EveryMenuItemButtonAndKeyNamesACommandOfTheTable) {
  std::vector<CommandId> used;
  for (const auto& menu : menuBar()) collectCommands(menu.items, used);
  for (const auto& slot : toolbarLayout()) {
    if (!slot.separator) used.push_back(slot.id);
  }
  for (const auto& accelerator : accelerators()) used.push_back(accelerator.id);
  for (const CommandId id : used) EXPECT_NE(findCommand(id), nullptr) << static_cast<int>(id);
}

// Menus, buttons and keys find their command by its identifier: each entry
// by its own, none by one the table lacks, and every name is the entry's alone.
TEST(CommandTableTest, EachCommandIsFoundByItsOwnIdentifierAndNoOther) {
  std::set<std::string_view> names;
  for (const CommandEntry& entry : commandTable()) {
    EXPECT_EQ(findCommand(entry.id), &entry) << entry.name;
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name << " twice";
    EXPECT_EQ(findCommand(static_cast<CommandId>(static_cast<int>(entry.id) + 1000)), nullptr);
  }
  EXPECT_EQ(findCommand(static_cast<CommandId>(1)), nullptr);
  EXPECT_EQ(findCommand(static_cast<CommandId>(65535)), nullptr);
}

TEST(CommandTableTest, ToolbarReadsEightLabelsInFourGroups) {
  std::vector<std::vector<std::string>> groups(1);
  for (const auto& slot : toolbarLayout()) {
    if (slot.separator) {
      groups.emplace_back();
    } else {
      groups.back().push_back(toolbarLabel(findCommand(slot.id)->text));
    }
  }
  const std::vector<std::vector<std::string>> expected{
      {"Back", "Forward", "Stop", "Refresh", "Home"}, {"Copy"}, {"Print"}, {"About"}};
  EXPECT_EQ(groups, expected);
}

TEST(CommandTableTest, EveryToolbarButtonHasAnIcon) {
  for (const auto& slot : toolbarLayout()) {
    if (slot.separator) continue;
    EXPECT_FALSE(findCommand(slot.id)->iconName.empty()) << findCommand(slot.id)->name;
  }
}

// Two items of one menu with the same access key would make one of them unreachable.
void expectDistinctAccessKeys(std::string_view menuName, std::span<const MenuEntry> entries) {
  std::set<char> keys;
  for (const auto& entry : entries) {
    if (entry.kind == MenuEntryKind::Separator) continue;
    const auto amp = entry.label.find('&');
    ASSERT_NE(amp, std::string_view::npos) << entry.label << " has no access key";
    const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(entry.label[amp + 1])));
    EXPECT_TRUE(keys.insert(key).second) << "access key '" << key << "' twice in " << menuName;
    if (entry.kind == MenuEntryKind::Submenu) expectDistinctAccessKeys(entry.label, entry.submenu);
  }
}

TEST(CommandTableTest, AccessKeysAreDistinctWithinEachMenu) {
  std::vector<MenuEntry> titles;
  for (const auto& menu : menuBar()) {
    titles.push_back(MenuEntry{MenuEntryKind::Command, menu.label});
    expectDistinctAccessKeys(menu.label, menu.items);
  }
  expectDistinctAccessKeys("the menu bar", titles);
}

TEST(CommandTableTest, EveryAcceleratorShownInAMenuIsBound) {
  // The shortcut text of a menu item names a key that really does it.
  const std::vector<std::pair<std::string, std::string>> shownToBound{
      {"Ctrl+P", "<Control>p"}, {"Ctrl+C", "<Control>c"}, {"Ctrl+A", "<Control>a"}, {"Esc", "Escape"},
      {"F5", "F5"}, {"Alt+Left Arrow", "<Alt>Left"}, {"Alt+Right Arrow", "<Alt>Right"},
      {"Ctrl+F", "<Control>f"}, {"F3", "F3"}, {"Shift+F3", "<Shift>F3"}, {"Ctrl+Shift+F", "<Control><Shift>f"}};
  std::vector<std::pair<std::string, CommandId>> shown;
  for (const auto& menu : menuBar()) {
    for (const auto& entry : menu.items) {
      const auto shortcut = parseMenuLabel(entry.label).shortcut;
      if (!shortcut.empty()) shown.emplace_back(shortcut, entry.id);
    }
  }
  ASSERT_EQ(shown.size(), shownToBound.size());
  for (const auto& [text, id] : shown) {
    std::string keys;
    for (const auto& [shownText, bound] : shownToBound) {
      if (shownText == text) keys = bound;
    }
    ASSERT_FALSE(keys.empty()) << text;
    bool bound = false;
    for (const auto& accelerator : accelerators()) bound |= accelerator.keys == keys && accelerator.id == id;
    EXPECT_TRUE(bound) << text;
  }
}

}  // namespace
}  // namespace pagora::viewer
