// An owning reference to a GObject: unreferenced when it goes away.
#pragma once

#include <glib-object.h>

#include <memory>

namespace pagora::glib {

struct GObjectUnref {
  void operator()(gpointer object) const {
    if (object != nullptr) g_object_unref(object);
  }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// Takes over a reference the caller already owns (a *_new() result).
template <typename T>
GObjectPtr<T> adoptRef(T* object) {
  return GObjectPtr<T>(object);
}

}  // namespace pagora::glib
