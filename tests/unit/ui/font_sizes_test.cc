#include "ui/font_sizes.h"

#include <gtest/gtest.h>

namespace pagora::ui {
namespace {

using resources::CommandId;

TEST(FontSizesTest, EachCommandHasItsFactorAndOthersHaveNone) {
  const std::pair<CommandId, double> table[] = {{CommandId::FontLargest, 1.45}, {CommandId::FontLarger, 1.2},
                                                {CommandId::FontMedium, 1.0},   {CommandId::FontSmaller, 0.85},
                                                {CommandId::FontSmallest, 0.7}};
  for (const auto& [id, factor] : table) {
    ASSERT_TRUE(zoomFactorFor(id).has_value()) << static_cast<int>(id);
    EXPECT_DOUBLE_EQ(*zoomFactorFor(id), factor);
    EXPECT_TRUE(isFontSizeCommand(id));
  }
  EXPECT_FALSE(zoomFactorFor(CommandId::GoBack).has_value());
  EXPECT_FALSE(isFontSizeCommand(CommandId::ViewRefresh));
}

}  // namespace
}  // namespace pagora::ui
