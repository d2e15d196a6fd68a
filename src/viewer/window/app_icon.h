// The viewer's icon: a bound book, drawn at each size the desktop asks for,
// so no image file has to travel with the executable.
#pragma once

namespace pagora::viewer {

// Makes the icon every window of the process carries.
void installApplicationIcon();

}  // namespace pagora::viewer
