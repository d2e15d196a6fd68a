// EngineWarmup: brings the web engine up while the book is extracted. Once
// the private folder exists the engine's host is made, may read the folder,
// and starts its processes; between files the main loop runs what is pending
// for a moment, because their start-up waits on the viewer's replies.
#pragma once

#include <glib.h>

#include <functional>
#include <string>

#include "session/book_loader.h"
#include "viewer/engine/browser_host.h"

namespace pagora::viewer {

class EngineWarmup final : public LoadListener {
 public:
  // `hostFor` gives the engine's host once the private folder is known.
  explicit EngineWarmup(std::function<BrowserHost&(const std::string& privateFolder)> hostFor)
      : hostFor_(std::move(hostFor)) {}

  void extractionStarting(const std::string& privateFolder) override;
  void fileWritten(const std::string& path) override;

 private:
  std::function<BrowserHost&(const std::string& privateFolder)> hostFor_;
  gint64 nextTurn_ = 0;  // monotonic µs; the main loop is not asked before then
};

}  // namespace pagora::viewer
