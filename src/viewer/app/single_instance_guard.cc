#include "viewer/app/single_instance_guard.h"

#include <gio/gunixsocketaddress.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "viewer/rules/command_table.h"

namespace pagora::viewer {

// One later start's request, read until the start closes its end.
struct SingleInstanceGuard::Request {
  SingleInstanceGuard* guard;
  glib::GObjectPtr<GSocketConnection> connection;
  std::string token;
  char buffer[256];
};

namespace {

// Tokens are printable ASCII; anything else is no part of one.
std::string printablePart(const std::string& text) {
  std::string kept;
  for (const char c : text) {
    if (c > ' ' && c < 0x7f) kept += c;
  }
  return kept;
}

}  // namespace

SingleInstanceGuard::~SingleInstanceGuard() {
  g_cancellable_cancel(pending_.get());
  if (service_) {
    g_socket_service_stop(service_.get());
    g_socket_listener_close(G_SOCKET_LISTENER(service_.get()));
    // Still under the lock: no other viewer can have bound the name meanwhile.
    ::unlink(lock_->socketPath().c_str());
  }
}

bool SingleInstanceGuard::check(const std::string& activationToken) {
  className_ = std::string(kApplicationName) + " Class";
  const std::string folder = platform::instanceFolder();
  lock_ = platform::SingleInstanceLock::acquire(folder, className_);
  switch (lock_->state()) {
    case platform::SingleInstanceLock::State::Held:
      listen();
      return true;
    case platform::SingleInstanceLock::State::HeldByAnother:
      askRunningViewerToPresent(lock_->socketPath(), activationToken);
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

void SingleInstanceGuard::askRunningViewerToPresent(const std::string& socketPath,
                                                    const std::string& activationToken) {
  g_autoptr(GSocketClient) client = g_socket_client_new();
  g_autoptr(GSocketAddress) address = g_unix_socket_address_new(socketPath.c_str());
  g_autoptr(GSocketConnection) connection =
      g_socket_client_connect(client, G_SOCKET_CONNECTABLE(address), nullptr, nullptr);
  // A viewer that cannot be reached keeps its window as it is.
  if (connection == nullptr) return;
  const std::string token = printablePart(activationToken).substr(0, kMaximumTokenLength);
  GOutputStream* out = g_io_stream_get_output_stream(G_IO_STREAM(connection));
  g_output_stream_write_all(out, token.data(), token.size(), nullptr, nullptr, nullptr);
  g_io_stream_close(G_IO_STREAM(connection), nullptr, nullptr);
}

gboolean SingleInstanceGuard::onIncoming(GSocketService*, GSocketConnection* connection, GObject*, gpointer self) {
  auto* guard = static_cast<SingleInstanceGuard*>(self);
  // The request is read without blocking the window: a start that connects
  // and stalls holds up nothing.
  auto* request =
      new Request{guard, glib::adoptRef(static_cast<GSocketConnection*>(g_object_ref(connection))), {}, {}};
  GInputStream* in = g_io_stream_get_input_stream(G_IO_STREAM(connection));
  g_input_stream_read_async(in, request->buffer, sizeof request->buffer, G_PRIORITY_DEFAULT, guard->pending_.get(),
                            onRequestRead, request);
  return TRUE;
}

void SingleInstanceGuard::onRequestRead(GObject* stream, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Request> request(static_cast<Request*>(data));
  g_autoptr(GError) error = nullptr;
  const gssize got = g_input_stream_read_finish(G_INPUT_STREAM(stream), result, &error);
  if (got < 0 && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;  // the guard is gone
  if (got > 0 && request->token.size() < kMaximumTokenLength) {
    request->token.append(request->buffer, static_cast<std::size_t>(got));
    SingleInstanceGuard* guard = request->guard;
    g_input_stream_read_async(G_INPUT_STREAM(stream), request->buffer, sizeof request->buffer, G_PRIORITY_DEFAULT,
                              guard->pending_.get(), onRequestRead, request.release());
    return;
  }
  // The start closed its end (or broke the connection): its request is complete.
  SingleInstanceGuard* guard = request->guard;
  if (guard->present_) guard->present_(printablePart(request->token).substr(0, kMaximumTokenLength));
}

}  // namespace pagora::viewer
