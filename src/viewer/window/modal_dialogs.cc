#include "viewer/window/modal_dialogs.h"

#include <algorithm>

namespace pagora::viewer {

gint ModalDialogs::run(GtkDialog* dialog, gint dismissResponse) {
  if (dismissed_) return GTK_RESPONSE_NONE;
  open_.push_back({dialog, dismissResponse});
  const gint response = gtk_dialog_run(dialog);
  std::erase_if(open_, [dialog](const Open& open) { return open.dialog == dialog; });
  return response;
}

void ModalDialogs::dismissAll() {
  dismissed_ = true;
  // Answering ends each dialog's own loop; run() then forgets it.
  for (const Open& open : std::vector(open_)) gtk_dialog_response(open.dialog, open.dismissResponse);
}

}  // namespace pagora::viewer
