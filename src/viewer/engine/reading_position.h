// ReadingPosition: how far down the reader has scrolled the page shown, kept
// current by a script in the top frame that reports each scroll, so that the
// position is known at any moment the window may close; and the position put
// back once a reopened page has loaded.
#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <string>

#include "glib/gobject_ptr.h"
#include "glib/signal_connection.h"

namespace pagora::viewer {

// The script message of the scroll reports: "<scroll y> <address>".
inline constexpr const char* kScrollMessage = "pagoraScroll";

class ReadingPosition {
 public:
  // Watches the pages of `view`, whose user content is `content`; the view
  // may go first.
  ReadingPosition(WebKitUserContentManager* content, WebKitWebView* view);
  ReadingPosition(const ReadingPosition&) = delete;
  ReadingPosition& operator=(const ReadingPosition&) = delete;
  ~ReadingPosition();

  // The last position reported for the page at `address` (its fragment does
  // not count); 0 when none was, or another page reported last.
  std::int64_t scrollOf(const std::string& address) const;

  // Scrolls to `scrollY` when the page at `address` has first finished
  // loading; nothing happens if another page loads first.
  void restoreWhenLoaded(const std::string& address, std::int64_t scrollY);

 private:
  static void onScrollMessage(WebKitUserContentManager* content, WebKitJavascriptResult* result, gpointer self);
  static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);

  glib::GObjectPtr<WebKitUserContentManager> content_;
  WebKitUserScript* script_ = nullptr;  // owned
  WebKitWebView* view_;  // weak
  glib::SignalConnection messages_;
  glib::SignalConnection loads_;
  std::string reportedAddress_;  // without its fragment
  std::int64_t reportedScrollY_ = 0;
  std::string restoreAddress_;
  std::int64_t restoreScrollY_ = 0;
};

}  // namespace pagora::viewer
