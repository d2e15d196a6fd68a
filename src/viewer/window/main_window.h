// MainWindow: the viewer's one window, captioned with the book's title. It
// holds the menu bar, the labelled toolbar, the find bar, the book view with
// the search pane beside it, and the status bar. When it is destroyed, by any
// means, the index's build stops and every file and folder the book put on
// disk is removed while the view still exists.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>

#include "session/book_session.h"
#include "viewer/engine/book_view.h"
#include "viewer/engine/browser_host.h"
#include "viewer/rules/command_router.h"
#include "viewer/rules/notice_sink.h"
#include "viewer/window/book_printing.h"
#include "viewer/window/find_tools.h"
#include "viewer/window/label_toolbar.h"
#include "viewer/window/menu_bar.h"
#include "viewer/window/modal_dialogs.h"
#include "viewer/window/status_bar.h"

namespace pagora::viewer {

class MainWindow {
 public:
  // `onDestroyed` runs once the window is gone and its clean-up has run. The
  // host, the loaded session, the notices and the dialogs outlive the window.
  MainWindow(BrowserHost& host, BookSession& session, NoticeSink& notices, ModalDialogs& dialogs,
             std::function<void()> onDestroyed);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow();

  // Builds the window and starts the navigation to the start page; the window
  // is not shown yet. False when the window could not be built; it is
  // destroyed then.
  bool create();

  // Shows the window with the keyboard focus on the page.
  void show();
  // Brings the window back from an iconified state and to the front. With the
  // activation token of the start that asked for it (xdg-activation on
  // Wayland, a startup notification id on X11), desktops that insist on one
  // let the window come forward.
  void present(const std::string& activationToken = {});
  // Closes the window the way its close box does.
  void close();
  // Closes any open menu, so that nothing holds the pointer and keyboard.
  void closeMenus();
  // Destroys the window at once (its clean-up runs).
  void destroy();

  // Null once the window is destroyed.
  GtkWindow* window() const { return window_; }
  CommandRouter& router() { return router_; }

 private:
  bool build();
  void addAccelerators();
  void registerCommands();

  static void onWindowDestroy(GtkWidget* widget, gpointer self);
  static void onActiveChanged(GObject* window, GParamSpec* property, gpointer self);

  BrowserHost& host_;
  BookSession& session_;
  NoticeSink& notices_;
  ModalDialogs& dialogs_;
  std::function<void()> onDestroyed_;
  CommandRouter router_;
  GtkWindow* window_ = nullptr;  // weak: GTK owns top-level windows
  std::unique_ptr<StatusBar> statusBar_;
  std::unique_ptr<LabelToolbar> toolbar_;
  std::unique_ptr<MenuBar> menuBar_;
  std::unique_ptr<BookView> view_;
  std::unique_ptr<BookPrinting> printing_;
  std::unique_ptr<FindTools> findTools_;
};

}  // namespace pagora::viewer
