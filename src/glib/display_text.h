// Book texts are 8-bit: UTF-8 from current authoring, Windows-1252 from books
// made on the original platform. GTK shows UTF-8 only, so every book text goes
// through here before it reaches a widget.
#pragma once

#include <string>

namespace pagora::glib {

// The text itself when it is valid UTF-8, else read as Windows-1252. Never
// fails: a byte that has no character becomes U+FFFD.
std::string displayText(const std::string& text);

}  // namespace pagora::glib
