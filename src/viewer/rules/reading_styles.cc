#include "viewer/rules/reading_styles.h"

#include <algorithm>
#include <array>

namespace pagora::viewer {
namespace {

struct StyleRow {
  ReadingStyle style;
  CommandId command;
  std::string_view name;
};

constexpr std::array kStyles{
    StyleRow{ReadingStyle::BookOwn, CommandId::StyleBookOwn, "book"},
    StyleRow{ReadingStyle::Light, CommandId::StyleLight, "light"},
    StyleRow{ReadingStyle::Sepia, CommandId::StyleSepia, "sepia"},
    StyleRow{ReadingStyle::Dark, CommandId::StyleDark, "dark"},
};

const StyleRow& rowOf(ReadingStyle style) { return *std::ranges::find(kStyles, style, &StyleRow::style); }

}  // namespace

std::optional<ReadingStyle> styleChosenBy(CommandId id) {
  const auto* found = std::ranges::find(kStyles, id, &StyleRow::command);
  if (found == kStyles.end()) return std::nullopt;
  return found->style;
}

CommandId commandChoosing(ReadingStyle style) { return rowOf(style).command; }

std::string_view readingStyleName(ReadingStyle style) { return rowOf(style).name; }

std::optional<ReadingStyle> readingStyleNamed(std::string_view name) {
  const auto* found = std::ranges::find(kStyles, name, &StyleRow::name);
  if (found == kStyles.end()) return std::nullopt;
  return found->style;
}

bool wantsDarkWindow(ReadingStyle style, ColorPreference desktop) {
  switch (style) {
    case ReadingStyle::BookOwn: return desktop == ColorPreference::Dark;
    case ReadingStyle::Dark: return true;
    case ReadingStyle::Light:
    case ReadingStyle::Sepia: return false;
  }
  return false;
}

ReadingStyle viewerPagesStyle(ReadingStyle style, ColorPreference desktop) {
  if (style != ReadingStyle::BookOwn) return style;
  switch (desktop) {
    case ColorPreference::Dark: return ReadingStyle::Dark;
    case ColorPreference::Light: return ReadingStyle::Light;
    case ColorPreference::None: break;
  }
  return ReadingStyle::BookOwn;
}

}  // namespace pagora::viewer
