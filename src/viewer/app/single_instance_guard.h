// SingleInstanceGuard: only one viewer runs at a time for a user, whatever the
// book. The first start holds the per-user lock and listens on a local socket
// beside it; a later start finds the lock held, connects to ask the running
// viewer to bring its window to the front, and is refused. The check runs before
// the book is loaded, so a refused start writes nothing.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/single_instance_lock.h"
#include "glib/gobject_ptr.h"

namespace pagora::viewer {

// The message of a refused start.
inline constexpr const char* kAlreadyRunningNotice =
    "An E-Book is already running. Please close it before starting another.";

class SingleInstanceGuard {
 public:
  SingleInstanceGuard() = default;
  SingleInstanceGuard(const SingleInstanceGuard&) = delete;
  SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;
  ~SingleInstanceGuard();

  // True when this process may run: it now holds the lock and listens for
  // later starts, or no lock could be had at all (the viewer then runs
  // unguarded rather than not at all). False when another viewer runs; that
  // one has been asked to present its window.
  bool check();

  // "pagora Class": the name of the lock and of the window class. Empty until check().
  const std::string& windowClassName() const { return className_; }

  // What to do when a later start asks for the window; until set, such
  // requests are ignored (there is no window yet).
  void onPresentRequest(std::function<void()> present) { present_ = std::move(present); }

 private:
  void listen();
  static void askRunningViewerToPresent(const std::string& socketPath);
  static gboolean onIncoming(GSocketService* service, GSocketConnection* connection,
                             GObject* source, gpointer self);

  std::string className_;
  std::optional<platform::SingleInstanceLock> lock_;
  glib::GObjectPtr<GSocketService> service_;
  std::function<void()> present_;
};

}  // namespace pagora::viewer
