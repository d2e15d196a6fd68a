// The viewer proper is a shared library carried inside the `pagora` program
// (its section ".pagora_viewer"), so that a book is still one file and the
// program itself needs nothing but the C library. Loading it from memory
// means nothing is written anywhere; a library the viewer needs that this
// machine lacks shows up here, as the loader's own words, before any of the
// viewer's code runs.
#pragma once

#include <cstddef>

namespace pagora::launcher {

// The viewer's entry point: takes the program's arguments, returns its exit status.
using ViewerMain = int (*)(int argc, char** argv);

// Names a viewer library file to load instead of the one carried: for a
// debugger or a sanitizer, which need the library as a file.
inline constexpr const char* kViewerLibraryVariable = "PAGORA_VIEWER_LIBRARY";

// The name the library exports its entry point under.
inline constexpr const char* kViewerEntryPoint = "pagora_viewer_main";

// Loads the embedded viewer and every library it needs. On failure returns
// null and puts the reason (the loader's message, or the system's) in `reason`.
ViewerMain loadEmbeddedViewer(char* reason, std::size_t reasonSize);

}  // namespace pagora::launcher
