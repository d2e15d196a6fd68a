#include "viewer/window/unclaimed_keys.h"

#include <string>

#include "viewer/rules/command_table.h"

namespace pagora::viewer {

UnclaimedKeys::UnclaimedKeys(GtkWindow* window, CommandRouter& router) : router_(router) {
  for (const Accelerator& accelerator : accelerators()) {
    if (!accelerator.whenUnclaimed) continue;
    const std::string keys(accelerator.keys);
    guint key = 0;
    GdkModifierType modifiers{};
    gtk_accelerator_parse(keys.c_str(), &key, &modifiers);
    if (key != 0) bindings_.push_back({gdk_keyval_to_lower(key), modifiers, accelerator.id});
  }
  // After the window's own handling: its accelerators, the focused widget
  // and its parents have all let the key go by then.
  keyPress_ = glib::SignalConnection(window, "key-press-event", G_CALLBACK(onKeyPress), this, G_CONNECT_AFTER);
}

gboolean UnclaimedKeys::onKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* keys = static_cast<UnclaimedKeys*>(self);
  const guint key = gdk_keyval_to_lower(event->keyval);
  const auto modifiers = static_cast<GdkModifierType>(event->state & gtk_accelerator_get_default_mod_mask());
  for (const Binding& binding : keys->bindings_) {
    if (binding.key == key && binding.modifiers == modifiers) return keys->router_.execute(binding.id) ? TRUE : FALSE;
  }
  return FALSE;
}

}  // namespace pagora::viewer
