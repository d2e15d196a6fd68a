#include "viewer/engine/reading_position.h"

#include <charconv>
#include <string_view>

namespace pagora::viewer {
namespace {

// Reported once per frame at most while the page scrolls, and when a page
// comes back from the history with a scroll position of its own.
constexpr const char* kScrollWatchScript = R"js(
(function () {
  'use strict';
  var handler = window.webkit && window.webkit.messageHandlers && window.webkit.messageHandlers.pagoraScroll;
  if (!handler) return;
  var pending = false;
  function report() {
    pending = false;
    handler.postMessage(Math.max(0, Math.round(window.scrollY)) + ' ' + location.href);
  }
  window.addEventListener('scroll', function () {
    if (pending) return;
    pending = true;
    window.requestAnimationFrame(report);
  }, {passive: true});
  window.addEventListener('pageshow', report);
})();
)js";

std::string withoutFragment(std::string_view address) { return std::string(address.substr(0, address.find('#'))); }

}  // namespace

ReadingPosition::ReadingPosition(WebKitUserContentManager* content, WebKitWebView* view)
    : content_(WEBKIT_USER_CONTENT_MANAGER(g_object_ref(content))), view_(view) {
  g_object_add_weak_pointer(G_OBJECT(view_), reinterpret_cast<gpointer*>(&view_));
  script_ = webkit_user_script_new(kScrollWatchScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                   WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, nullptr, nullptr);
  webkit_user_content_manager_add_script(content_.get(), script_);
  webkit_user_content_manager_register_script_message_handler(content_.get(), kScrollMessage);
  const std::string signal = std::string("script-message-received::") + kScrollMessage;
  messages_ = glib::SignalConnection(content_.get(), signal.c_str(), G_CALLBACK(onScrollMessage), this);
  loads_ = glib::SignalConnection(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
}

ReadingPosition::~ReadingPosition() {
  messages_.disconnect();
  loads_.disconnect();
  webkit_user_content_manager_unregister_script_message_handler(content_.get(), kScrollMessage);
  webkit_user_content_manager_remove_script(content_.get(), script_);
  webkit_user_script_unref(script_);
  if (view_ != nullptr) g_object_remove_weak_pointer(G_OBJECT(view_), reinterpret_cast<gpointer*>(&view_));
}

std::int64_t ReadingPosition::scrollOf(const std::string& address) const {
  return withoutFragment(address) == reportedAddress_ ? reportedScrollY_ : 0;
}

void ReadingPosition::restoreWhenLoaded(const std::string& address, std::int64_t scrollY) {
  restoreAddress_ = withoutFragment(address);
  restoreScrollY_ = scrollY;
}

void ReadingPosition::onScrollMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self) {
  auto* position = static_cast<ReadingPosition*>(self);
  g_autofree char* message = jsc_value_to_string(webkit_javascript_result_get_js_value(result));
  const std::string_view text = message != nullptr ? message : "";
  const auto space = text.find(' ');
  std::int64_t scrollY = 0;
  if (space == std::string_view::npos) return;
  const auto [end, error] = std::from_chars(text.data(), text.data() + space, scrollY);
  if (error != std::errc{} || end != text.data() + space || scrollY < 0) return;
  position->reportedAddress_ = withoutFragment(text.substr(space + 1));
  position->reportedScrollY_ = scrollY;
}

void ReadingPosition::onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  auto* position = static_cast<ReadingPosition*>(self);
  if (event != WEBKIT_LOAD_FINISHED || position->restoreAddress_.empty()) return;
  const char* uri = webkit_web_view_get_uri(view);
  const std::string address = withoutFragment(uri != nullptr ? uri : "");
  if (address == position->restoreAddress_ && position->restoreScrollY_ > 0) {
    const std::string script = "window.scrollTo(0, " + std::to_string(position->restoreScrollY_) + ");";
    webkit_web_view_evaluate_javascript(view, script.c_str(), -1, nullptr, nullptr, nullptr, nullptr, nullptr);
    position->reportedAddress_ = address;
    position->reportedScrollY_ = position->restoreScrollY_;
  }
  // Only the first page loaded is the reopened one.
  position->restoreAddress_.clear();
}

}  // namespace pagora::viewer
