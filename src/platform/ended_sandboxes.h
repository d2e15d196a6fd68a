// What the web engine's sandbox leaves in the runtime folder, and its
// removal. For each process it sandboxes the engine makes an instance folder
// ".flatpak/webkit-<its pid>-<n>/" holding bwrapinfo.json (for the desktop's
// portal), and for its D-Bus proxies sockets "webkitgtk/bus-proxy-XXXXXX" and
// "webkitgtk/a11y-proxy-XXXXXX". Nothing removes them once the sandbox has
// been killed with the viewer, so they would pile up run after run.
//
// Only what is over goes: an instance folder once its instance has ended (it
// is alive while its lock ".ref" is held, the rule the sandbox's own tools
// use, or while the process its bwrapinfo.json names runs), a proxy socket once
// nothing listens on it. Folders of other programs' sandboxes (not named
// "webkit-") are never touched. The two folders go when they are left empty. Async-signal-safe calls only and no heap, so
// the crash watcher, which outlives the viewer, can do it.
#pragma once

#include <sys/types.h>

namespace pagora::platform {

// How many instance folders and proxy sockets are left in the runtime folder.
struct SandboxRemains {
  int instances = 0;
  int sockets = 0;
};

// Removes what is over in `runtimeFolder` (ending in '/'), first waiting up
// to `waitMilliseconds` until every instance that process `owner` made (an
// ended viewer's, whose sandbox is still being torn down) has ended.
SandboxRemains removeEndedSandboxes(const char* runtimeFolder, pid_t owner, int waitMilliseconds);

}  // namespace pagora::platform
