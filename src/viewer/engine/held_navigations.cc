#include "viewer/engine/held_navigations.h"

#include "glib/main_loop_task.h"

namespace pagora::viewer {

HeldNavigations::HeldNavigations(BookSession& session)
    : session_(session), self_(std::make_shared<HeldNavigations*>(this)) {}

bool HeldNavigations::holdUntilWritten(WebKitPolicyDecision* decision, const std::string& address) {
  g_autofree char* path = g_filename_from_uri(address.c_str(), nullptr, nullptr);
  if (path == nullptr) return false;
  const int id = ++lastId_;
  // Told on the writing thread; the decision is used on the main loop's.
  const std::weak_ptr<HeldNavigations*> self = self_;
  const bool written = session_.whenWritten(path, [self, id] {
    glib::runInMainLoop([self, id] {
      if (const auto alive = self.lock()) (*alive)->release(id);
    });
  });
  if (written) return false;
  held_.emplace(id, glib::GObjectPtr<WebKitPolicyDecision>(WEBKIT_POLICY_DECISION(g_object_ref(decision))));
  return true;
}

void HeldNavigations::release(int id) {
  const auto found = held_.find(id);
  if (found == held_.end()) return;
  webkit_policy_decision_use(found->second.get());
  held_.erase(found);
}

}  // namespace pagora::viewer
