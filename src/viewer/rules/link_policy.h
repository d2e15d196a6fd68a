// The viewer's link policy as pure decisions: which addresses leave the book,
// what happens to a navigation, and what happens to a request for a new window.
// The book view only gathers the facts (address, user gesture, keys held) and
// carries out the verdict.
#pragma once

#include <string_view>

namespace pagora::viewer {

// True when the address is a web or mail address of the world outside the
// book: a lower-cased copy starts with "http:", "https:", "news:", "mail:" or
// "ftp:". ("mailto:" is not among them; the engine cannot show it either, so
// it leaves the book all the same.)
bool IsExternalLink(std::string_view address);

// True for addresses the web engine shows itself (file, about, data, blob,
// javascript, http and https pages); false for any other scheme, such as
// mailto: or tel:, which only another program can open.
bool engineShowsAddress(std::string_view address);

enum class NavigationVerdict {
  Proceed,   // the view shows the address
  HandOver,  // to the desktop's default program; the page stays exactly as it is
  Ignore,    // nothing happens
};

// A navigation of the page or of one of its frames. Only the reader's own
// action (a click, a key, a form) may send an address to another program: a
// page that navigates by itself to an external address would otherwise open
// programs on its own. The navigation itself never happens, so the page keeps
// its scroll position, form input and script state.
NavigationVerdict decideNavigation(std::string_view address, bool userGesture);

struct HeldModifiers {
  bool shift = false;
  bool control = false;
  bool alt = false;

  bool any() const { return shift || control || alt; }
};

enum class NewWindowVerdict {
  RefuseWithNotice,  // Shift held: tell the reader the book stays in one window
  RefuseSilently,    // Ctrl or Alt held
  OpenInBrowser,     // no modifier: the desktop's default browser opens it
  Ignore,            // not asked for by the reader (a script): nothing happens
};

NewWindowVerdict decideNewWindow(HeldModifiers held, bool userGesture);

// The notice for a new window refused with Shift held.
inline constexpr std::string_view kNewWindowRefusedNotice =
    "This link is part of the E-Book, you are not to allowed to open it in a new window.\n\n"
    "(Any links to web sites will automatically be opened in Internet Explorer if you click "
    "them)";

}  // namespace pagora::viewer
