#include "viewer/app/single_instance_guard.h"

#include <gio/gunixsocketaddress.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "viewer/rules/command_table.h"

namespace pagora::viewer {

SingleInstanceGuard::~SingleInstanceGuard() {
  if (service_) {
    g_socket_service_stop(service_.get());
    g_socket_listener_close(G_SOCKET_LISTENER(service_.get()));
    // Still under the lock: no other viewer can have bound the name meanwhile.
    ::unlink(lock_->socketPath().c_str());
  }
}

bool SingleInstanceGuard::check() {
  className_ = std::string(kApplicationName) + " Class";
  const std::string folder = platform::instanceFolder();
  lock_ = platform::SingleInstanceLock::acquire(folder, className_);
  switch (lock_->state()) {
    case platform::SingleInstanceLock::State::Held:
      listen();
      return true;
    case platform::SingleInstanceLock::State::HeldByAnother:
      askRunningViewerToPresent(lock_->socketPath());
      return false;
    case platform::SingleInstanceLock::State::Unavailable:
      std::fprintf(stderr, "pagora: cannot take the single-instance lock in \"%s\": %s\n",
                   folder.c_str(), folder.empty() ? "no private folder" : std::strerror(lock_->error()));
      return true;
  }
  return true;
}

void SingleInstanceGuard::listen() {
  const std::string& path = lock_->socketPath();
  // A socket left by a viewer that ended abnormally: we hold the lock, so it is stale.
  ::unlink(path.c_str());
  auto service = glib::adoptRef(g_socket_service_new());
  g_autoptr(GSocketAddress) address = g_unix_socket_address_new(path.c_str());
  g_autoptr(GError) error = nullptr;
  if (!g_socket_listener_add_address(G_SOCKET_LISTENER(service.get()), address, G_SOCKET_TYPE_STREAM,
                                     G_SOCKET_PROTOCOL_DEFAULT, nullptr, nullptr, &error)) {
    // Later starts are still refused by the lock; they just cannot raise this window.
    std::fprintf(stderr, "pagora: cannot listen on \"%s\": %s\n", path.c_str(), error->message);
    return;
  }
  g_signal_connect(service.get(), "incoming", G_CALLBACK(onIncoming), this);
  g_socket_service_start(service.get());
  service_ = std::move(service);
}

void SingleInstanceGuard::askRunningViewerToPresent(const std::string& socketPath) {
  g_autoptr(GSocketClient) client = g_socket_client_new();
  g_autoptr(GSocketAddress) address = g_unix_socket_address_new(socketPath.c_str());
  g_autoptr(GSocketConnection) connection =
      g_socket_client_connect(client, G_SOCKET_CONNECTABLE(address), nullptr, nullptr);
  // Connecting is the whole request; a viewer that cannot be reached keeps its window as it is.
  if (connection != nullptr) g_io_stream_close(G_IO_STREAM(connection), nullptr, nullptr);
}

gboolean SingleInstanceGuard::onIncoming(GSocketService*, GSocketConnection*, GObject*, gpointer self) {
  auto* guard = static_cast<SingleInstanceGuard*>(self);
  if (guard->present_) guard->present_();
  return TRUE;
}

}  // namespace pagora::viewer
