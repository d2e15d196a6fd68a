// Hands an address to another program of the desktop, with no shell in between.
#pragma once

#include <string>

namespace pagora::glib {

// Opens the address, exactly as given, with the desktop's default program for
// it (its scheme's handler, or its file type's for a file: address). False when
// no program could be started; the caller decides whether that matters.
bool openInDefaultProgram(const std::string& address);

// Opens the address with the desktop's default web browser (the handler of
// http: addresses), whatever its own scheme; falls back to the default program
// for the address when no browser is set.
bool openInDefaultBrowser(const std::string& address);

}  // namespace pagora::glib
