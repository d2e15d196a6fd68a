// HeldNavigations: navigations to stored files that are not written yet,
// while the rest of the book is still being written. The engine's decision
// is held until the session has written the file and what it refers to out
// of turn, then used, so the page and its pictures and style sheets never
// fail for being behind. Decisions still held when this goes away are
// dropped, and the engine ignores their navigations.
#pragma once

#include <webkit2/webkit2.h>

#include <map>
#include <memory>
#include <string>

#include "glib/gobject_ptr.h"
#include "session/book_session.h"

namespace pagora::viewer {

class HeldNavigations {
 public:
  // REQUIRES: `session` outlives this object.
  explicit HeldNavigations(BookSession& session);
  HeldNavigations(const HeldNavigations&) = delete;
  HeldNavigations& operator=(const HeldNavigations&) = delete;

  // True when `decision`, to go to `address`, is held and will be used once
  // what it needs is written; false when the navigation may go ahead now.
  bool holdUntilWritten(WebKitPolicyDecision* decision, const std::string& address);

 private:
  void release(int id);

  BookSession& session_;
  std::map<int, glib::GObjectPtr<WebKitPolicyDecision>> held_;
  int lastId_ = 0;
  // What the session's writing thread holds on to: gone with this object.
  std::shared_ptr<HeldNavigations*> self_;
};

}  // namespace pagora::viewer
