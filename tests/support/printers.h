// How test failures show the session's and the container's own values:
// GoogleTest finds these by argument-dependent lookup.
#pragma once

#include <ostream>
#include <string_view>

#include "container/book_info.h"
#include "container/book_validation.h"
#include "session/notice.h"

namespace pagora {

inline void PrintTo(BookFault fault, std::ostream* out) {
  const std::string_view message = faultMessage(fault);
  *out << (fault == BookFault::None ? std::string_view("no fault") : message);
}

inline void PrintTo(NoticeIcon icon, std::ostream* out) {
  *out << (icon == NoticeIcon::Warning ? "warning" : icon == NoticeIcon::Error ? "error" : "information");
}

inline void PrintTo(const Notice& notice, std::ostream* out) {
  PrintTo(notice.icon, out);
  *out << " \"";
  for (char c : notice.text) {
    if (c == '\n') {
      *out << "\\n";
    } else {
      *out << c;
    }
  }
  *out << '"';
}

inline void PrintTo(const BookInfo& info, std::ostream* out) {
  *out << "{esbn \"" << info.esbn << "\", title \"" << info.title << "\", author \"" << info.author << "\", email \""
       << info.authorEmail << "\", web \"" << info.webAddress << "\", publisher \"" << info.publisher
       << "\", notice \"" << info.contentsNotice << "\", reserved \"" << info.reservedText1 << "\" \""
       << info.reservedText2 << "\" \"" << info.reservedText3 << "\" " << info.reservedWord1 << ' '
       << info.reservedWord2 << ' ' << info.reservedWord3 << ", printAllowed " << info.printAllowed << ", fileCount "
       << info.fileCount << '}';
}

}  // namespace pagora
