// Work handed to the viewer's main loop from another thread, such as the one
// that writes a book's files: GTK and the web engine are used on the main
// loop's thread alone.
#pragma once

#include <functional>

namespace pagora::glib {

// Runs `task` on the thread of the default main context at one of its next
// turns. Safe to call from any thread; the task is destroyed on the main
// loop's thread after it has run, or unrun if the loop never turns again.
void runInMainLoop(std::function<void()> task);

}  // namespace pagora::glib
