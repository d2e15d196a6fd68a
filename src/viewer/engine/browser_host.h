// BrowserHost: how the viewer hosts the web engine. Book pages are untrusted
// HTML and script, so the engine runs sandboxed where the system allows it
// (SandboxProbe says), sees the book's folder
// read-only, keeps what it stores (local storage, caches) in a folder of the
// private folder that goes with the book, downloads nothing, shows a notice
// instead of any context menu, draws no frame of its own, and offers page
// scripts the external object with its one property.
#pragma once

#include <webkit2/webkit2.h>

#include <string>
#include <string_view>
#include <vector>

#include "glib/gobject_ptr.h"
#include "viewer/rules/notice_sink.h"

namespace pagora::viewer {

// The notice shown instead of a context menu.
inline constexpr std::string_view kPopupMenuDisabledNotice = "The Pop-up Menu is disabled in E-Books";

// The script message a frame sends when its selection changes:
// "<frame name>:1" when something is selected in it now, ":0" when not.
inline constexpr const char* kSelectionMessage = "pagoraSelection";

class BrowserHost {
 public:
  // Notices (the context menu's) go to `notices`, which outlives the host.
  // The engine keeps its data in `dataFolder`, inside the private folder;
  // with none, it keeps it in memory, and visited links are not marked.
  // Without `sandboxed` the engine's processes run without their sandbox.
  BrowserHost(NoticeSink& notices, const std::string& dataFolder, bool sandboxed = true);
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  // Lets the sandboxed engine read `folder` (an engine without its sandbox
  // reads what the reader may). Only takes effect before the
  // engine's first web process starts; a folder that does not exist is
  // skipped, and one inside a folder already allowed needs nothing more.
  void allowReading(const std::string& folder);

  // Starts the engine's processes now, seeing the folders allowed so far,
  // so that they come up while the viewer does other work. The view made for
  // this is the one the next createView() returns.
  void startEngine();

  // A view hosted here, not yet in any container (a floating reference).
  WebKitWebView* createView();

  WebKitUserContentManager* contentManager() const { return content_.get(); }
  WebKitWebContext* context() const { return context_.get(); }

 private:
  static gboolean onContextMenu(WebKitWebView* view, WebKitContextMenu* menu, GdkEvent* event,
                                WebKitHitTestResult* hit, gpointer self);
  static void onDownloadStarted(WebKitWebContext* context, WebKitDownload* download, gpointer self);
  WebKitWebView* newView();

  NoticeSink& notices_;
  glib::GObjectPtr<WebKitWebContext> context_;
  glib::GObjectPtr<WebKitUserContentManager> content_;
  std::vector<std::string> readableFolders_;
  bool sandboxed_;
  bool engineStarted_ = false;
  // The view startEngine() made, until createView() hands it over.
  glib::GObjectPtr<WebKitWebView> warmView_;
};

}  // namespace pagora::viewer
