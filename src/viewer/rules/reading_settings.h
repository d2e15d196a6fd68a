// What a book reopens with, read from where the reader left it: the text
// size, the reading style and the window's size. A name the viewer does not
// know gives the default, and so does a window too small to read in. The
// page and its scroll position are checked against the book by the window.
#pragma once

#include "session/reading_place_record.h"
#include "viewer/rules/command_ids.h"
#include "viewer/rules/reading_styles.h"

namespace pagora::viewer {

inline constexpr int kMinWindowWidth = 200;
inline constexpr int kMinWindowHeight = 150;

struct ReopenSettings {
  CommandId fontSize = CommandId::FontMedium;
  ReadingStyle style = kDefaultReadingStyle;
  // 0 for the viewer's default size.
  int windowWidth = 0;
  int windowHeight = 0;

  bool operator==(const ReopenSettings&) const = default;
};

ReopenSettings reopenSettings(const ReadingPlace& place);

// What the record keeps of these settings: their names and the window's size.
void recordSettings(const ReopenSettings& settings, ReadingPlace& place);

}  // namespace pagora::viewer
