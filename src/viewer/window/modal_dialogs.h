// ModalDialogs runs the viewer's modal dialogs (message boxes, the print and
// page set-up dialogs) and can end them all at once: a signal that closes the
// viewer must not wait for a reader who is gone.
#pragma once

#include <gtk/gtk.h>

#include <vector>

namespace pagora::viewer {

class ModalDialogs {
 public:
  ModalDialogs() = default;
  ModalDialogs(const ModalDialogs&) = delete;
  ModalDialogs& operator=(const ModalDialogs&) = delete;

  // Runs `dialog` modally until it is answered, and returns the answer; a
  // dialog still open at dismissAll() is answered `dismissResponse`. After
  // dismissAll(), returns GTK_RESPONSE_NONE at once without running it.
  gint run(GtkDialog* dialog, gint dismissResponse);

  // Answers every dialog still open and runs no further one.
  void dismissAll();
  bool dismissed() const { return dismissed_; }

 private:
  struct Open {
    GtkDialog* dialog;
    gint dismissResponse;
  };
  std::vector<Open> open_;
  bool dismissed_ = false;
};

}  // namespace pagora::viewer
