#include "viewer/rules/command_text.h"

#include <gtest/gtest.h>

#include <string>

namespace pagora::viewer {
namespace {

struct TextCase {
  std::string text;
  std::string prompt;
  std::string tooltip;
  std::string label;
};

class CommandTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(CommandTextTest, SplitsPromptTooltipAndLabel) {
  const auto& c = GetParam();
  EXPECT_EQ(statusPrompt(c.text), c.prompt);
  EXPECT_EQ(tooltipText(c.text), c.tooltip);
  EXPECT_EQ(toolbarLabel(c.text), c.label);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CommandTextTest,
    ::testing::Values(TextCase{"Goes back one step\nBack", "Goes back one step", "Back", "Back"},
                    TextCase{"Show or hide the toolbar\nToggle ToolBar", "Show or hide the toolbar",
                             "Toggle ToolBar", "Toggle ToolBar"},
                    // The label is the last non-empty piece, wherever it is.
                    TextCase{"Prompt\nShort\n", "Prompt", "Short", "Short"},
                    TextCase{"Prompt\nShort\nLast", "Prompt", "Short", "Last"},
                    TextCase{"Prompt\n\n", "Prompt", "", "Prompt"}, TextCase{"Only", "Only", "", "Only"},
                    TextCase{"\nShort", "", "Short", "Short"}, TextCase{"", "", "", ""},
                    TextCase{"\n\n", "", "", ""}));

struct MenuLabelCase {
  std::string label;
  std::string mnemonic;
  std::string shortcut;
};

class ParseMenuLabelTest : public ::testing::TestWithParam<MenuLabelCase> {};

TEST_P(ParseMenuLabelTest, MakesMnemonicAndShortcut) {
  const MenuLabel parsed = parseMenuLabel(GetParam().label);
  EXPECT_EQ(parsed.mnemonic, GetParam().mnemonic);
  EXPECT_EQ(parsed.shortcut, GetParam().shortcut);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, ParseMenuLabelTest,
    ::testing::Values(MenuLabelCase{"&Print...\tCtrl+P", "_Print...", "Ctrl+P"},
                    MenuLabelCase{"P&rint Setup...", "P_rint Setup...", ""},
                    MenuLabelCase{"&Back\tAlt+Left Arrow", "_Back", "Alt+Left Arrow"},
                    MenuLabelCase{"Sto&p\tEsc", "Sto_p", "Esc"},
                    MenuLabelCase{"Fish && Chips", "Fish & Chips", ""},
                    MenuLabelCase{"snake_case", "snake__case", ""}, MenuLabelCase{"Trailing&", "Trailing&", ""},
                    MenuLabelCase{"No key", "No key", ""}, MenuLabelCase{"", "", ""}));

}  // namespace
}  // namespace pagora::viewer
