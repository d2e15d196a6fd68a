// Where the viewer's parts send what the reader is to be told. The window
// shows each notice as a message box; the parts below it only know this.
#pragma once

#include "session/notice.h"

namespace pagora::viewer {

class NoticeSink {
 public:
  virtual ~NoticeSink() = default;
  // Shows the notice and returns once the reader has dismissed it.
  virtual void show(const Notice& notice) = 0;
};

}  // namespace pagora::viewer
