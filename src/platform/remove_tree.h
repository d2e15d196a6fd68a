// Removing a whole folder tree that the viewer did not make file by file (the
// web engine's own data), never following a link: a link found in the tree
// is removed itself, never what it points to. Uses only async-signal-safe
// calls and no heap, so the crash watcher, a process forked from a threaded
// viewer, can use it too.
#pragma once

namespace pagora::platform {

// Removes `path` and everything below it. Returns true when nothing is left;
// a tree deeper than a fixed limit is left in part.
bool removeTree(const char* path);

}  // namespace pagora::platform
