// The crash watcher's own process (see crash_watcher.h for its contract).
// Everything here may run in a process forked from a threaded viewer: it uses
// async-signal-safe calls only and no heap.
#pragma once

#include <sys/types.h>

namespace pagora {

// Becomes the watcher: lets go of everything inherited but `channel` and
// `lock` (-1 for none), reports its process id down the channel, watches it
// and exits; with `sandboxFolder` (or null), it then removes what the engine's
// sandbox of the `viewer` process left there. The viewer's child, which
// outlives it: once the viewer has gone, whoever adopts orphans reaps it.
[[noreturn]] void runWatcher(int channel, int lock, const char* sandboxFolder, pid_t viewer);

// The watcher's work: reads records from `channel` until it closes and,
// unless the last record was AllRemoved, removes what is outstanding. Returns
// the process's exit status: 0 when done, 2 when the channel carried something
// that is not a record (then nothing is removed: the watcher cannot know what
// the viewer meant). When something was outstanding, `settle` (if given) runs
// after the removal and then the removal runs again: the engine's processes
// outlive a viewer that died by a moment and may write into its data once
// more before they notice.
using WatchSettle = void (*)(const void* context);
int watchChannel(int channel, WatchSettle settle = nullptr, const void* context = nullptr);

}  // namespace pagora
