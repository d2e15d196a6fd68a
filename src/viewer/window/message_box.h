// The viewer's message boxes: a modal GtkMessageDialog titled "pagora" with one
// OK button and the icon the notice asks for. Every notice of the viewer, the
// load's among them, is shown through here.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "viewer/rules/notice_sink.h"

namespace pagora::viewer {

class MessageBoxSink final : public NoticeSink {
 public:
  MessageBoxSink() = default;
  MessageBoxSink(const MessageBoxSink&) = delete;
  MessageBoxSink& operator=(const MessageBoxSink&) = delete;
  ~MessageBoxSink() override;

  // Later boxes are centred on and modal to this window; nullptr: none.
  void setOwner(GtkWindow* owner);

  // Shows the box and returns once the reader has closed it (or it was dismissed).
  void show(const Notice& notice) override;

  // Closes every box still open, as if the reader pressed OK, and shows no
  // further box: the viewer is shutting down and must not wait for the reader.
  void dismissAll();

 private:
  GtkWindow* owner_ = nullptr;  // weak
  std::vector<GtkDialog*> open_;
  bool dismissed_ = false;
};

}  // namespace pagora::viewer
