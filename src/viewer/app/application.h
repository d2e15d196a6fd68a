// Application: the viewer's start-up and shutdown. In order: the command
// line, the single-instance guard (a refused start loads and writes nothing),
// the book session with its crash watcher, the load, which writes the start
// page and what it refers to (none of these needs the display, so they come
// before GTK opens it), then the web engine's host, the load's messages
// (before any window) and the main window. The rest of the book is written
// from the end of the load on, at the lowest priority: a share of it while
// the display, the engine and the window start, the remainder once the first
// page has loaded. Closing the window by any means (the Exit command, the
// close box, SIGTERM, SIGINT or SIGHUP) stops the writing and removes every
// file the book put on disk. A file that cannot be written behind the window
// is the one message that comes after it: the viewer then closes as a failed
// start does.
#pragma once

#include <memory>
#include <string>

#include "session/book_session.h"
#include "viewer/app/single_instance_guard.h"
#include "viewer/engine/browser_host.h"
#include "viewer/engine/sandbox_probe.h"
#include "viewer/window/main_window.h"
#include "viewer/window/message_box.h"
#include "viewer/window/modal_dialogs.h"

namespace pagora::viewer {

class Application {
 public:
  Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
  ~Application();

  // Runs the viewer until its window closes; returns the process's exit status.
  int run(int argc, char** argv);

 private:
  int start(const std::string& program, const std::string& document);
  // Opens the display; false, having said why, when there is none.
  bool openDisplay(const std::string& program);
  void installSignalHandlers();
  // Closes the window as its close box does; before the window exists, the
  // start-up stops as soon as it can.
  void requestClose();
  void onWindowDestroyed();
  // The rest of the book could not be written: told, then the window closes.
  void onWritingFailed();
  // Makes the engine's host once the private folder exists, so that the
  // engine keeps its data there and may read the book, and starts its
  // processes.
  BrowserHost& startEngine();

  static gboolean onTerminationSignal(gpointer self);
  static gboolean closeWindowWhenIdle(gpointer self);

  SingleInstanceGuard guard_;
  // The token the desktop gave this start to activate its window with.
  std::string activationToken_;
  ModalDialogs dialogs_;
  MessageBoxSink messageBoxes_{dialogs_};
  std::unique_ptr<SandboxProbe> sandboxProbe_;
  std::unique_ptr<BookSession> session_;
  std::unique_ptr<BrowserHost> host_;
  std::unique_ptr<MainWindow> window_;
  bool closeRequested_ = false;
  bool running_ = false;  // the main loop runs
  bool windowShown_ = false;
  bool writingFailed_ = false;  // a file of the rest could not be written
  int exitStatus_ = 0;
};

}  // namespace pagora::viewer
