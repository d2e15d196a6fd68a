// The keys as the reader is told them: the shortcut in words on each menu
// item and button, and the keyboard shortcuts window, which lists every
// accelerator of the table once, under the menu of its command.
#include "viewer/rules/shortcuts.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>

#include "viewer/rules/command_table.h"

namespace pagora::viewer {
namespace {

TEST(ShortcutsTest, AcceleratorsReadAsTheMenusWriteThem) {
  const std::pair<const char*, const char*> cases[] = {
      {"<Control>c", "Ctrl+C"},           {"<Control>plus", "Ctrl++"},
      {"<Control>minus", "Ctrl+-"},        {"<Control>0", "Ctrl+0"},
      {"<Control>question", "Ctrl+?"},     {"<Control>KP_Add", "Ctrl+Num +"},
      {"<Alt>Left", "Alt+Left Arrow"},     {"<Alt>Home", "Alt+Home"},
      {"Escape", "Esc"},                   {"F5", "F5"},
      {"<Shift>BackSpace", "Shift+Backspace"}, {"<Control><Shift>f", "Ctrl+Shift+F"},
      {"<Shift>space", "Shift+Space"},
  };
  for (const auto& [keys, words] : cases) EXPECT_EQ(acceleratorText(keys), words) << keys;
}

TEST(ShortcutsTest, EachCommandDescribesItsShortcutAsItsMenuItemShowsIt) {
  using enum CommandId;
  const std::pair<CommandId, const char*> cases[] = {
      {GoBack, "Alt+Left Arrow"}, {GoHome, "Alt+Home"}, {ViewRefresh, "F5"}, {EditCopy, "Ctrl+C"},
      {TextSizeUp, "Ctrl++"},     {HelpShortcuts, "Ctrl+?"}, {AppAbout, ""}, {FilePrintSetup, ""},
      {StyleSepia, ""},
  };
  for (const auto& [id, words] : cases) EXPECT_EQ(shortcutText(id), words) << findCommand(id)->name;
}

TEST(ShortcutsTest, TheWindowListsEveryAcceleratorOnceUnderItsMenu) {
  std::map<std::string, int> listed;  // accelerator -> rows holding it
  std::map<std::string, std::string> rowOf;  // row title -> its accelerators
  std::vector<std::string> groupTitles;
  for (const ShortcutGroup& group : shortcutGroups()) {
    groupTitles.push_back(group.title);
    EXPECT_FALSE(group.rows.empty()) << group.title;
    for (const ShortcutRow& row : group.rows) {
      EXPECT_FALSE(row.title.empty()) << group.title;
      rowOf[group.title + " > " + row.title] = row.accelerators;
      std::istringstream keys(row.accelerators);
      for (std::string key; keys >> key;) ++listed[key];
    }
  }
  for (const Accelerator& accelerator : accelerators()) {
    EXPECT_EQ(listed[std::string(accelerator.keys)], 1) << accelerator.keys;
  }
  EXPECT_EQ(groupTitles.front(), "File");
  EXPECT_EQ(groupTitles.back(), "Page");
  EXPECT_EQ(rowOf["Go > Back"], "<Alt>Left BackSpace");
  EXPECT_EQ(rowOf["View > Increase Text Size"], "<Control>plus <Control>equal <Control>KP_Add");
  EXPECT_EQ(rowOf["Help > Keyboard Shortcuts"], "<Control>question");
  EXPECT_EQ(rowOf["Page > Scroll down one screen"], "space");
}

}  // namespace
}  // namespace pagora::viewer
