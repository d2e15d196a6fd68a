// What the reader is to be told: a message and the icon it is shown with.
// The session only returns notices; the viewer shows them, the authoring tool
// prints them, tests compare them.
#pragma once

#include <string>

namespace pagora {

enum class NoticeIcon { Warning, Information, Error };

struct Notice {
  std::string text;
  NoticeIcon icon = NoticeIcon::Warning;

  bool operator==(const Notice&) const = default;
};

}  // namespace pagora
