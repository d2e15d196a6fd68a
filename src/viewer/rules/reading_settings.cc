#include "viewer/rules/reading_settings.h"

#include "viewer/rules/font_sizes.h"

namespace pagora::viewer {

ReopenSettings reopenSettings(const ReadingPlace& place) {
  ReopenSettings settings;
  settings.fontSize = fontSizeNamed(place.textSize).value_or(CommandId::FontMedium);
  settings.style = readingStyleNamed(place.style).value_or(kDefaultReadingStyle);
  if (place.windowWidth >= kMinWindowWidth && place.windowHeight >= kMinWindowHeight) {
    settings.windowWidth = place.windowWidth;
    settings.windowHeight = place.windowHeight;
  }
  return settings;
}

void recordSettings(const ReopenSettings& settings, ReadingPlace& place) {
  place.textSize = fontSizeName(settings.fontSize);
  place.style = readingStyleName(settings.style);
  place.windowWidth = settings.windowWidth;
  place.windowHeight = settings.windowHeight;
}

}  // namespace pagora::viewer
