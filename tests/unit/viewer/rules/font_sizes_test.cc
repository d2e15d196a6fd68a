// What the reader sees of the font sizes: the View > Fonts menu lists every
// size from the largest down, each with its check mark, Medium shows the page
// as it is (every start begins there), and no other command sets a size.
#include "viewer/rules/font_sizes.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "viewer/rules/command_table.h"

namespace pagora::viewer {
namespace {

std::span<const MenuEntry> fontsMenu() {
  for (const Menu& menu : menuBar()) {
    for (const MenuEntry& entry : menu.items) {
      if (entry.kind == MenuEntryKind::Submenu && entry.label == "Fo&nts") return entry.submenu;
    }
  }
  ADD_FAILURE() << "no Fonts menu";
  return {};
}

TEST(FontSizesTest, TheFontsMenuGoesFromTheLargestSizeToTheSmallest) {
  std::vector<double> factors;
  for (const MenuEntry& item : fontsMenu()) {
    ASSERT_EQ(item.kind, MenuEntryKind::Command) << item.label;
    EXPECT_TRUE(item.checkable) << item.label;
    ASSERT_TRUE(zoomFactorFor(item.id).has_value()) << item.label;
    factors.push_back(*zoomFactorFor(item.id));
  }
  ASSERT_EQ(factors.size(), 5u);
  for (std::size_t i = 1; i < factors.size(); ++i) EXPECT_GT(factors[i - 1], factors[i]) << "item " << i;
  EXPECT_DOUBLE_EQ(*zoomFactorFor(CommandId::FontMedium), 1.0);
}

TEST(FontSizesTest, OnlyTheFontsMenusCommandsSetASize) {
  int sizes = 0;
  for (const CommandEntry& entry : commandTable()) {
    EXPECT_EQ(isFontSizeCommand(entry.id), zoomFactorFor(entry.id).has_value()) << entry.name;
    if (isFontSizeCommand(entry.id)) ++sizes;
  }
  EXPECT_EQ(sizes, static_cast<int>(fontsMenu().size()));
}

// Ctrl+plus and Ctrl+minus walk the Fonts menu's sizes one at a time and stop
// at its ends; the record names each size so that it reads back.
TEST(FontSizesTest, StepsMoveThroughTheSameFiveSizesAndStopAtTheEnds) {
  using enum CommandId;
  struct Step {
    CommandId from;
    CommandId larger;
    CommandId smaller;
  };
  const Step steps[] = {
      {FontSmallest, FontSmaller, FontSmallest}, {FontSmaller, FontMedium, FontSmallest},
      {FontMedium, FontLarger, FontSmaller},     {FontLarger, FontLargest, FontMedium},
      {FontLargest, FontLargest, FontLarger},    {GoHome, FontLarger, FontSmaller},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(static_cast<int>(step.from));
    EXPECT_EQ(largerFontSize(step.from), step.larger);
    EXPECT_EQ(smallerFontSize(step.from), step.smaller);
  }
  for (const MenuEntry& item : fontsMenu()) {
    EXPECT_TRUE(isFontSizeCommand(largerFontSize(item.id)));
    EXPECT_EQ(fontSizeNamed(fontSizeName(item.id)), item.id) << item.label;
  }
  for (const std::string_view name : {"", "Medium", "huge", "medium "}) EXPECT_EQ(fontSizeNamed(name), std::nullopt);
}

}  // namespace
}  // namespace pagora::viewer
