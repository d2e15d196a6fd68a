// CPagoraApp: the viewer's start-up and shutdown. In order: the command line,
// the single-instance guard (a refused start loads and writes nothing), the
// message boxes, the web engine's host, then the main window, whose creation
// loads the book. Closing the window by any means (the Exit command, the close
// box, SIGTERM, SIGINT or SIGHUP) removes every file the viewer wrote.
#pragma once

#include <memory>
#include <string>

#include "app/single_instance_guard.h"
#include "ui/message_box.h"

namespace pagora::ui {
class CMainFrame;
}

namespace pagora::app {

class CPagoraApp {
 public:
  CPagoraApp();
  CPagoraApp(const CPagoraApp&) = delete;
  CPagoraApp& operator=(const CPagoraApp&) = delete;
  ~CPagoraApp();

  // Runs the viewer until its window closes; returns the process's exit status.
  int Run(int argc, char** argv);

 private:
  int InitInstance(const std::string& document);
  void installSignalHandlers();
  // Closes the window as its close box does; before the window exists, the
  // start-up stops as soon as it can.
  void requestClose();
  void onFrameDestroyed();

  static gboolean onTerminationSignal(gpointer self);

  SingleInstanceGuard m_guard;
  ui::MessageBoxSink messageBoxes_;
  std::unique_ptr<ui::CMainFrame> frame_;
  bool closeRequested_ = false;
  bool running_ = false;  // the main loop runs
};

}  // namespace pagora::app
