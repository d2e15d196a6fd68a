// What a book says when the viewer inside it cannot be loaded: which library
// is missing or does not fit, and which package brings the web engine (and
// with it GTK and everything else the viewer needs) on the distributions a
// book runs on. Plain C strings only: the launcher links nothing but libc.
#pragma once

#include <cstddef>

namespace pagora::launcher {

// The packages that bring WebKitGTK 4.1.
inline constexpr const char* kDebianEnginePackage = "libwebkit2gtk-4.1-0";
inline constexpr const char* kFedoraEnginePackage = "webkit2gtk4.1";

enum class LoadFault {
  MissingLibrary,  // a library is not installed
  UnfitLibrary,    // one is installed but lacks what the viewer calls (too old)
  Other,           // the viewer could not be loaded for another reason
};

// How the loader's message `reason` is to be read.
LoadFault classifyLoadFault(const char* reason);

// The message for the book at `book` that could not load its viewer for
// `reason`, without the program's name in front; cut to fit `size`.
void composeEngineMessage(const char* book, const char* reason, char* out, std::size_t size);

}  // namespace pagora::launcher
