// A signal handler that is disconnected when its owner goes away, unless the
// object that emits the signal went first. C++ objects that connect handlers
// with `this` as data keep their connections in these, so no handler can run
// on a destroyed object.
#pragma once

#include <glib-object.h>

#include <utility>

namespace pagora::glib {

class SignalConnection {
 public:
  SignalConnection() = default;
  // G_CONNECT_AFTER in `flags` runs the handler after the class's own.
  SignalConnection(gpointer instance, const char* signal, GCallback handler, gpointer data,
                   GConnectFlags flags = GConnectFlags{})
      : instance_(G_OBJECT(instance)),
        id_(g_signal_connect_data(instance, signal, handler, data, nullptr, flags)) {
    g_object_add_weak_pointer(instance_, reinterpret_cast<gpointer*>(&instance_));
  }
  SignalConnection(SignalConnection&& other) noexcept { *this = std::move(other); }
  SignalConnection& operator=(SignalConnection&& other) noexcept {
    if (this != &other) {
      disconnect();
      if (other.instance_ != nullptr) {
        g_object_remove_weak_pointer(other.instance_, reinterpret_cast<gpointer*>(&other.instance_));
        instance_ = std::exchange(other.instance_, nullptr);
        id_ = std::exchange(other.id_, 0);
        g_object_add_weak_pointer(instance_, reinterpret_cast<gpointer*>(&instance_));
      }
    }
    return *this;
  }
  SignalConnection(const SignalConnection&) = delete;
  SignalConnection& operator=(const SignalConnection&) = delete;
  ~SignalConnection() { disconnect(); }

  void disconnect() {
    if (instance_ == nullptr) return;
    g_signal_handler_disconnect(instance_, id_);
    g_object_remove_weak_pointer(instance_, reinterpret_cast<gpointer*>(&instance_));
    instance_ = nullptr;
  }

 private:
  GObject* instance_ = nullptr;
  gulong id_ = 0;
};

}  // namespace pagora::glib
