// ReadingStyleControl: the View > Style commands. The chosen style goes to
// the engine's style sheets at once, and the window's own colours follow:
// dark with Dark, light with Light and Sepia, and with Book's own as the
// desktop prefers. The viewer's own pages (the about page) take the chosen
// style, and with Book's own the desktop's preference where it has one.
#pragma once

#include <webkit2/webkit2.h>

#include <string>
#include <vector>

#include "viewer/engine/reading_style_sheets.h"
#include "viewer/rules/command_router.h"
#include "viewer/rules/reading_styles.h"
#include "viewer/window/desktop_color_scheme.h"

namespace pagora::viewer {

class ReadingStyleControl {
 public:
  // `viewerPages`: the file: addresses of the viewer's own pages. Starts in
  // Book's own.
  ReadingStyleControl(WebKitUserContentManager* content, std::vector<std::string> viewerPages);
  ReadingStyleControl(const ReadingStyleControl&) = delete;
  ReadingStyleControl& operator=(const ReadingStyleControl&) = delete;

  void registerCommands(CommandRouter& router);

  ReadingStyle style() const { return style_; }
  void choose(ReadingStyle style);

 private:
  void apply();

  ReadingStyleSheets sheets_;
  DesktopColorScheme desktop_;
  std::vector<std::string> viewerPages_;
  ReadingStyle style_ = kDefaultReadingStyle;
};

}  // namespace pagora::viewer
