#include "platform/notice.h"

#include <cstdio>

namespace pagora::platform {
namespace {

NoticeSink* installedSink = nullptr;

}  // namespace

void installNoticeSink(NoticeSink* sink) { installedSink = sink; }

void showNotice(const std::string& text, NoticeIcon icon) {
  if (installedSink != nullptr) {
    installedSink->show(text, icon);
    return;
  }
  std::fprintf(stderr, "pagora: %s\n", text.c_str());
}

}  // namespace pagora::platform
