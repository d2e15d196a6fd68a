// CMainFrame: the viewer's one window. Its caption is the book's title, asked
// for before the window exists, which is what loads the book; it holds the menu
// bar, the labelled toolbar, the book view and the status bar. When it is
// destroyed, by any means, every file and folder the viewer wrote is removed
// while the view still exists.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>

#include "ui/book_view.h"
#include "ui/command_router.h"
#include "ui/label_toolbar.h"
#include "ui/menu_bar.h"
#include "ui/status_bar.h"

namespace pagora::app {
class BrowserHost;
}

namespace pagora::ui {

class CMainFrame {
 public:
  // `onDestroyed` runs once the window is gone and its clean-up has run.
  CMainFrame(app::BrowserHost& host, std::function<void()> onDestroyed);
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;
  ~CMainFrame();

  // Loads the book (through its title), builds the window and starts the
  // navigation to the start page; the window is not shown yet. False when the
  // window could not be built; it is destroyed then.
  bool Create();

  // Shows the window with the keyboard focus on the page.
  void show();
  // Brings the window back from an iconified state and to the front.
  void present();
  // Closes the window the way its close box does.
  void close();
  // Destroys the window at once (its clean-up runs).
  void destroy();

  // Null once the window is destroyed.
  GtkWindow* window() const { return window_; }
  CommandRouter& router() { return router_; }

 private:
  bool OnCreate();
  void addAccelerators();
  void registerCommands();
  void OnDestroy();

  static void onWindowDestroy(GtkWidget* widget, gpointer self);
  static void onActiveChanged(GObject* window, GParamSpec* property, gpointer self);

  app::BrowserHost& host_;
  std::function<void()> onDestroyed_;
  CommandRouter router_;
  GtkWindow* window_ = nullptr;  // weak: GTK owns top-level windows
  std::unique_ptr<StatusBar> statusBar_;
  std::unique_ptr<CLabelToolBar> toolBar_;
  std::unique_ptr<MenuBar> menuBar_;
  std::unique_ptr<CPagoraView> view_;
};

}  // namespace pagora::ui
