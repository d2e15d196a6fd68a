// The reading styles of View > Style: the book's own look, or one of three
// named styles that give every page the same background, text and link
// colours. Which command chooses which style, how the record of reading
// places names a style, and the style a start begins with.
#pragma once

#include <optional>
#include <string_view>

#include "viewer/rules/command_ids.h"

namespace pagora::viewer {

enum class ReadingStyle { BookOwn, Light, Sepia, Dark };

// Book's own: pages as their authors made them.
inline constexpr ReadingStyle kDefaultReadingStyle = ReadingStyle::BookOwn;

// The style a Style command chooses; nothing for any other command.
std::optional<ReadingStyle> styleChosenBy(CommandId id);
CommandId commandChoosing(ReadingStyle style);

// How the record names a style ("sepia"), and the style a name stands for;
// nothing for a name that is no style's.
std::string_view readingStyleName(ReadingStyle style);
std::optional<ReadingStyle> readingStyleNamed(std::string_view name);

// The desktop's colour-scheme preference.
enum class ColorPreference { None, Light, Dark };

// Whether the viewer's own window goes dark with the style: Dark does, the
// other named styles do not, and Book's own follows the desktop's preference.
bool wantsDarkWindow(ReadingStyle style, ColorPreference desktop);

// The style of the viewer's own pages (the about page): the chosen one, and
// with Book's own the desktop's preference, or the pages as made without one.
ReadingStyle viewerPagesStyle(ReadingStyle style, ColorPreference desktop);

}  // namespace pagora::viewer
