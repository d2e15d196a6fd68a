// SingleInstanceGuard: only one viewer runs at a time for a user, whatever the
// book. The first start holds the per-user lock and listens on a local socket
// beside it; a later start finds the lock held, connects to ask the running
// viewer to bring its window to the front, and is refused. The check runs before
// the book is loaded, so a refused start writes nothing.
//
// The request is the later start's activation token (possibly empty), sent
// whole before the connection closes: desktops that honour xdg-activation
// raise a window only with the token of the start that asked for it. A viewer
// that sends nothing (an older one) still has the window presented.
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
  // `activationToken` goes to the running viewer when there is one.
  bool check(const std::string& activationToken = {});

  // "pagora Class": the name of the lock and of the window class. Empty until check().
  const std::string& windowClassName() const { return className_; }

  // What to do when a later start asks for the window, given its activation
  // token; until set, such requests are ignored (there is no window yet).
  using PresentRequest = std::function<void(const std::string& activationToken)>;
  void onPresentRequest(PresentRequest present) { present_ = std::move(present); }

  // The longest activation token passed on; a longer request is cut there.
  static constexpr std::size_t kMaximumTokenLength = 1024;

 private:
  struct Request;
  void listen();
  static void askRunningViewerToPresent(const std::string& socketPath, const std::string& activationToken);
  static gboolean onIncoming(GSocketService* service, GSocketConnection* connection,
                             GObject* source, gpointer self);
  static void onRequestRead(GObject* stream, GAsyncResult* result, gpointer request);

  std::string className_;
  std::optional<platform::SingleInstanceLock> lock_;
  glib::GObjectPtr<GSocketService> service_;
  // Cancels the reads of requests still open when the guard goes.
  glib::GObjectPtr<GCancellable> pending_ = glib::adoptRef(g_cancellable_new());
  PresentRequest present_;
};

}  // namespace pagora::viewer
