// EngineWarmup: brings the web engine up while the book is extracted. Once
// the private folder exists the engine may read it and its processes start;
// between files the main loop runs what is pending for a moment, because
// their start-up waits on the viewer's replies.
#pragma once

#include <glib.h>

#include <string>

#include "viewer/engine/browser_host.h"
#include "session/book_loader.h"

namespace pagora::viewer {

class EngineWarmup final : public LoadListener {
 public:
  explicit EngineWarmup(BrowserHost& host) : host_(host) {}

  void extractionStarting(const std::string& privateFolder) override;
  void betweenFiles() override;

 private:
  BrowserHost& host_;
  gint64 nextTurn_ = 0;  // monotonic µs; the main loop is not asked before then
};

}  // namespace pagora::viewer
