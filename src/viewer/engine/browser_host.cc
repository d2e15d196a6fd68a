#include "viewer/engine/browser_host.h"

#include <glib/gstdio.h>


namespace pagora::viewer {
namespace {

// window.external.xxyyzz reads "Wibble"; no other name of the object is added.
// Injected at document start in every frame, before any page script runs.
constexpr const char* kExternalObjectScript = R"js(
(function () {
  'use strict';
  var external = window.external;
  if (external === undefined || external === null) {
    external = {};
    try {
      Object.defineProperty(window, 'external', {value: external});
    } catch (e) {
      return;
    }
  }
  try {
    Object.defineProperty(external, 'xxyyzz',
                          {value: 'Wibble', writable: false, enumerable: true, configurable: false});
  } catch (e) {
  }
})();
)js";

// Keeps the Copy command's state current: each frame reports, under a name
// of its own, whether text is selected in it, in its document or in a text
// field, and that it has none when it goes away.
constexpr const char* kSelectionWatchScript = R"js(
(function () {
  'use strict';
  var handler = window.webkit && window.webkit.messageHandlers &&
                window.webkit.messageHandlers.pagoraSelection;
  if (!handler) return;
  var frame = Math.random().toString(36).slice(2) + Date.now().toString(36);
  var selected = false;
  function fieldHasSelection() {
    var field = document.activeElement;
    if (!field || (field.tagName !== 'INPUT' && field.tagName !== 'TEXTAREA')) return false;
    try {
      return field.selectionStart !== null && field.selectionEnd > field.selectionStart;
    } catch (e) {
      return false;  // an input type without a text selection
    }
  }
  function report(now) {
    if (now === selected) return;
    selected = now;
    handler.postMessage(frame + (now ? ':1' : ':0'));
  }
  function check() {
    var selection = document.getSelection();
    report((selection !== null && !selection.isCollapsed && selection.toString().length > 0) ||
           fieldHasSelection());
  }
  document.addEventListener('selectionchange', check);
  document.addEventListener('select', check, true);
  window.addEventListener('pagehide', function () { report(false); });
})();
)js";

void addScript(WebKitUserContentManager* content, const char* source,
               WebKitUserContentInjectedFrames frames) {
  WebKitUserScript* script = webkit_user_script_new(source, frames, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
                                                    nullptr, nullptr);
  webkit_user_content_manager_add_script(content, script);
  webkit_user_script_unref(script);
}

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Both without trailing slashes.
bool isSameOrInside(const std::string& path, const std::string& folder) {
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || folder == "/" || path[folder.size()] == '/';
}

glib::GObjectPtr<WebKitWebContext> newContext(const std::string& dataFolder) {
  // An ephemeral context would write nothing at all, but the engine marks no
  // link visited in one.
  if (dataFolder.empty()) return glib::adoptRef(webkit_web_context_new_ephemeral());
  auto manager = glib::adoptRef(webkit_website_data_manager_new("base-data-directory", dataFolder.c_str(),
                                                                "base-cache-directory", dataFolder.c_str(), nullptr));
  return glib::adoptRef(webkit_web_context_new_with_website_data_manager(manager.get()));
}

}  // namespace

BrowserHost::BrowserHost(NoticeSink& notices, const std::string& dataFolder, bool sandboxed)
    : notices_(notices),
      context_(newContext(dataFolder)),
      content_(glib::adoptRef(webkit_user_content_manager_new())),
      sandboxed_(sandboxed) {
  webkit_web_context_set_sandbox_enabled(context_.get(), sandboxed);
  webkit_web_context_set_cache_model(context_.get(), WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  // Every view's downloads are refused here: nothing may be written outside
  // the private folder. The context outlives every view and this host.
  g_signal_connect(context_.get(), "download-started", G_CALLBACK(onDownloadStarted), nullptr);
  addScript(content_.get(), kExternalObjectScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES);
  addScript(content_.get(), kSelectionWatchScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES);
  webkit_user_content_manager_register_script_message_handler(content_.get(), kSelectionMessage);
}

void BrowserHost::allowReading(const std::string& path) {
  GStatBuf status;
  if (!sandboxed_ || path.empty() || g_lstat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return;
  const std::string folder = withoutTrailingSlashes(path);
  for (const std::string& allowed : readableFolders_) {
    if (isSameOrInside(folder, allowed)) return;
  }
  // The engine takes no new folder once a web process runs (it aborts).
  if (engineStarted_) {
    g_warning("the web engine already runs; it cannot be given %s to read", folder.c_str());
    return;
  }
  webkit_web_context_add_path_to_sandbox(context_.get(), folder.c_str(), TRUE);
  readableFolders_.push_back(folder);
}

void BrowserHost::startEngine() {
  if (engineStarted_) return;
  WebKitWebView* view = newView();
  g_object_ref_sink(view);
  warmView_.reset(view);
  // Running a script in the empty view starts the engine's processes without
  // loading a page, so the reader's history still begins at the start page.
  webkit_web_view_evaluate_javascript(view, "0", -1, nullptr, nullptr, nullptr, nullptr, nullptr);
}

WebKitWebView* BrowserHost::createView() {
  if (!warmView_) return newView();
  // Handed over as a new view is: a floating reference.
  WebKitWebView* view = warmView_.release();
  g_object_force_floating(G_OBJECT(view));
  return view;
}

WebKitWebView* BrowserHost::newView() {
  engineStarted_ = true;
  auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW,                       //
                                            "web-context", context_.get(),              //
                                            "user-content-manager", content_.get(),     //
                                            nullptr));
  WebKitSettings* settings = webkit_web_view_get_settings(view);
  webkit_settings_set_enable_developer_extras(settings, FALSE);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
  webkit_settings_set_enable_back_forward_navigation_gestures(settings, FALSE);
  g_signal_connect(view, "context-menu", G_CALLBACK(onContextMenu), this);
  return view;
}

gboolean BrowserHost::onContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*,
                                    WebKitHitTestResult*, gpointer self) {
  static_cast<BrowserHost*>(self)->notices_.show({std::string(kPopupMenuDisabledNotice), NoticeIcon::Information});
  return TRUE;  // no menu of the engine's own
}

void BrowserHost::onDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
  webkit_download_cancel(download);
}

}  // namespace pagora::viewer
