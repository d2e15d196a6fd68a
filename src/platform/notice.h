// User notices: the modal messages the reader sees ("Self Parse Failed", ...).
// Core code reports through showNotice; the viewer installs a sink that shows a
// dialog, tests install a recorder, and without a sink the text goes to stderr.
#pragma once

#include <string>

namespace pagora::platform {

enum class NoticeIcon { Warning, Information, Error };

class NoticeSink {
 public:
  virtual ~NoticeSink() = default;
  // Shows the text and returns once the reader has dismissed it.
  virtual void show(const std::string& text, NoticeIcon icon) = 0;
};

// Installs the process-wide sink (nullptr: back to stderr). The caller keeps
// the sink alive while it is installed.
void installNoticeSink(NoticeSink* sink);

void showNotice(const std::string& text, NoticeIcon icon = NoticeIcon::Warning);

}  // namespace pagora::platform
