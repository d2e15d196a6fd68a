// What a book reopens with: the size, style and window the reader left it
// with, and the defaults for whatever the record says that the viewer does
// not know; and the View > Style commands with the window's colours.
#include "viewer/rules/reading_settings.h"

#include <gtest/gtest.h>

#include "viewer/rules/font_sizes.h"

namespace pagora::viewer {
namespace {

TEST(ReadingSettingsTest, KnownNamesAndUsableSizesComeBackElseTheDefaults) {
  using enum CommandId;
  struct Case {
    const char* name;
    ReadingPlace place;
    ReopenSettings expected;
  };
  const ReopenSettings defaults{};
  const Case cases[] = {
      {"as left", {"a.html", 5, "larger", "sepia", 1024, 768}, {FontLarger, ReadingStyle::Sepia, 1024, 768}},
      {"nothing recorded", {}, defaults},
      {"unknown size and style", {"", 0, "gigantic", "neon", 1024, 768}, {FontMedium, ReadingStyle::BookOwn, 1024, 768}},
      {"names in another case", {"", 0, "Largest", "DARK", 0, 0}, defaults},
      {"window too narrow", {"", 0, "smallest", "dark", kMinWindowWidth - 1, 768},
       {FontSmallest, ReadingStyle::Dark, 0, 0}},
      {"window too low", {"", 0, "medium", "light", 1024, kMinWindowHeight - 1}, {FontMedium, ReadingStyle::Light, 0, 0}},
      {"smallest usable window", {"", 0, "medium", "book", kMinWindowWidth, kMinWindowHeight},
       {FontMedium, ReadingStyle::BookOwn, kMinWindowWidth, kMinWindowHeight}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(reopenSettings(c.place), c.expected);
  }
}

TEST(ReadingSettingsTest, WhatIsRecordedReadsBackTheSame) {
  for (const CommandId size : {CommandId::FontSmallest, CommandId::FontMedium, CommandId::FontLargest}) {
    for (const auto style : {ReadingStyle::BookOwn, ReadingStyle::Light, ReadingStyle::Sepia, ReadingStyle::Dark}) {
      const ReopenSettings settings{size, style, 640, 480};
      ReadingPlace place{"page.html", 12, "", "", 0, 0};
      recordSettings(settings, place);
      EXPECT_EQ(reopenSettings(place), settings) << place.textSize << " " << place.style;
      EXPECT_EQ(place.page, "page.html");
      EXPECT_EQ(place.scrollY, 12);
    }
  }
}

TEST(ReadingStylesTest, EachStyleCommandChoosesItsStyleAndTheWindowAndViewerPagesFollow) {
  using enum ReadingStyle;
  struct Row {
    CommandId command;
    ReadingStyle style;
    bool darkWindow[3];           // on a desktop preferring nothing, light, dark
    ReadingStyle viewerPages[3];  // the same
  };
  const Row rows[] = {
      {CommandId::StyleBookOwn, BookOwn, {false, false, true}, {BookOwn, Light, Dark}},
      {CommandId::StyleLight, Light, {false, false, false}, {Light, Light, Light}},
      {CommandId::StyleSepia, Sepia, {false, false, false}, {Sepia, Sepia, Sepia}},
      {CommandId::StyleDark, Dark, {true, true, true}, {Dark, Dark, Dark}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(readingStyleName(row.style));
    EXPECT_EQ(styleChosenBy(row.command), row.style);
    EXPECT_EQ(commandChoosing(row.style), row.command);
    for (const auto desktop : {ColorPreference::None, ColorPreference::Light, ColorPreference::Dark}) {
      const auto column = static_cast<std::size_t>(desktop);
      EXPECT_EQ(wantsDarkWindow(row.style, desktop), row.darkWindow[column]) << column;
      EXPECT_EQ(viewerPagesStyle(row.style, desktop), row.viewerPages[column]) << column;
    }
  }
  EXPECT_EQ(styleChosenBy(CommandId::FontMedium), std::nullopt);
  EXPECT_EQ(kDefaultReadingStyle, BookOwn);
}

}  // namespace
}  // namespace pagora::viewer
