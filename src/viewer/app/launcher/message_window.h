// A message for a reader who started a book from a file manager, where
// standard error goes nowhere, on a machine whose GTK may be missing too.
// With a display (DISPLAY or WAYLAND_DISPLAY), the first of these that works
// shows it: GTK, loaded by hand; zenity; kdialog; xmessage (X only). Without
// one, or when none of them works, nothing more happens. Returns once the
// reader has closed the window.
#pragma once

namespace pagora::launcher {

// True when some window showed the message.
bool showMessageWindow(const char* title, const char* text);

}  // namespace pagora::launcher
