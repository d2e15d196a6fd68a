// The viewer's message boxes: a modal GtkMessageDialog titled "pagora" with one
// OK button and the icon the notice asks for. Every notice of the viewer, the
// load's among them, is shown through here.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "viewer/rules/notice_sink.h"
#include "viewer/window/modal_dialogs.h"

namespace pagora::viewer {

class MessageBoxSink final : public NoticeSink {
 public:
  // Boxes run through `dialogs`, which outlives the sink.
  explicit MessageBoxSink(ModalDialogs& dialogs) : dialogs_(dialogs) {}
  MessageBoxSink(const MessageBoxSink&) = delete;
  MessageBoxSink& operator=(const MessageBoxSink&) = delete;
  ~MessageBoxSink() override;

  // Later boxes are centred on and modal to this window; nullptr: none.
  void setOwner(GtkWindow* owner);

  // Shows the box and returns once the reader has closed it, or at once when
  // the dialogs were dismissed (the viewer is shutting down).
  void show(const Notice& notice) override;

 private:
  ModalDialogs& dialogs_;
  GtkWindow* owner_ = nullptr;  // weak
};

}  // namespace pagora::viewer
