// ReadingStyleSheets: the reading styles as user style sheets of the engine.
// A named style gives every page and frame one background, text and link
// colours, the viewer's own pages included, and leaves pictures as they are;
// Book's own leaves the book's pages as their authors made them. A change
// shows at once on the page shown: nothing is reloaded and the history stays.
#pragma once

#include <webkit2/webkit2.h>

#include <memory>
#include <string>
#include <vector>

#include "glib/gobject_ptr.h"
#include "viewer/rules/reading_styles.h"

namespace pagora::viewer {

class ReadingStyleSheets {
 public:
  // The sheets go into `content`, the user content of every view of the host.
  explicit ReadingStyleSheets(WebKitUserContentManager* content);
  ReadingStyleSheets(const ReadingStyleSheets&) = delete;
  ReadingStyleSheets& operator=(const ReadingStyleSheets&) = delete;
  ~ReadingStyleSheets();

  // Shows the pages in `style`. With Book's own, the viewer's own pages at
  // `viewerPages` (file: addresses) are shown in `viewerStyle` all the same.
  void apply(ReadingStyle style, ReadingStyle viewerStyle, const std::vector<std::string>& viewerPages);

 private:
  struct SheetUnref {
    void operator()(WebKitUserStyleSheet* sheet) const { webkit_user_style_sheet_unref(sheet); }
  };
  using Sheet = std::unique_ptr<WebKitUserStyleSheet, SheetUnref>;

  void replaceWith(Sheet sheet);

  glib::GObjectPtr<WebKitUserContentManager> content_;
  Sheet sheet_;  // the one in the content now, if any
};

// The style sheet of a named style; empty for Book's own.
std::string styleSheetFor(ReadingStyle style);

}  // namespace pagora::viewer
