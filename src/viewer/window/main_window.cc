#include "viewer/window/main_window.h"

#include "glib/display_text.h"
#include "viewer/rules/command_table.h"
#include "viewer/window/text_field_keys.h"

namespace pagora::viewer {
namespace {

struct AcceleratorTarget {
  CommandRouter* router;
  CommandId id;
};

gboolean onAccelerator(GtkAccelGroup*, GObject*, guint, GdkModifierType, gpointer data) {
  const auto* target = static_cast<AcceleratorTarget*>(data);
  // A disabled command's key goes on to the page: Esc when nothing loads,
  // Ctrl+C when the viewer sees no selection, are the page's own.
  return target->router->execute(target->id) ? TRUE : FALSE;
}

void deleteAcceleratorTarget(gpointer data, GClosure*) { delete static_cast<AcceleratorTarget*>(data); }

}  // namespace

MainWindow::MainWindow(BrowserHost& host, BookSession& session, NoticeSink& notices, ModalDialogs& dialogs,
                       std::function<void()> onDestroyed)
    : host_(host), session_(session), notices_(notices), dialogs_(dialogs), onDestroyed_(std::move(onDestroyed)) {}

MainWindow::~MainWindow() { destroy(); }

bool MainWindow::create() {
  window_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  g_object_add_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
  gtk_window_set_title(window_, glib::displayText(session_.info().title).c_str());
  gtk_window_set_default_size(window_, 900, 700);
  g_signal_connect(window_, "destroy", G_CALLBACK(onWindowDestroy), this);
  g_signal_connect(window_, "notify::is-active", G_CALLBACK(onActiveChanged), this);
  if (!build()) {
    destroy();
    return false;
  }
  return true;
}

bool MainWindow::build() {
  // The view comes first and asks for the start page at once: the engine
  // works on it while the bars are built.
  view_ = std::make_unique<BookView>(host_, router_, session_, notices_);
  comforts_ = std::make_unique<ReaderComforts>(window_, *view_, host_, session_, router_);
  view_->initialize(comforts_->firstPagePath());
  comforts_->restore();
  printing_ = std::make_unique<BookPrinting>(*view_, session_.printAllowed(), notices_, dialogs_);
  findTools_ = std::make_unique<FindTools>(*view_, session_);

  GtkWidget* layout = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_container_add(GTK_CONTAINER(window_), layout);

  statusBar_ = std::make_unique<StatusBar>();
  toolbar_ = std::make_unique<LabelToolbar>(router_, *statusBar_);
  if (!toolbar_->load()) return false;
  menuBar_ = std::make_unique<MenuBar>(router_, *statusBar_);

  gtk_box_pack_start(GTK_BOX(layout), menuBar_->widget(), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(layout), toolbar_->widget(), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(layout), findTools_->findBar(), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(layout), findTools_->viewWithPane(), TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(layout), statusBar_->widget(), FALSE, FALSE, 0);
  gtk_widget_show_all(layout);

  registerCommands();
  addAccelerators();
  letTextFieldsTakeKeysFirst(window_);
  // Menu items as well as buttons follow every change, so that what assistive
  // technology reads is current before any menu has been opened.
  router_.addObserver([this] {
    if (toolbar_) toolbar_->updateStates();
    if (menuBar_) menuBar_->updateStates();
  });
  // The view's state may have changed before anyone was told.
  router_.notifyStateChanged();
  return true;
}

void MainWindow::registerCommands() {
  using enum CommandId;
  view_->registerCommands(router_);
  printing_->registerCommands(router_);
  comforts_->registerCommands();
  findTools_->registerCommands(router_);
  router_.add(AppExit, [this] { close(); });
  // The bars go with the window; a state asked for after that is "off".
  const auto toggle = [](GtkWidget* bar) {
    if (bar != nullptr) gtk_widget_set_visible(bar, !gtk_widget_get_visible(bar));
  };
  const auto shown = [](GtkWidget* bar) {
    return CommandState{true, bar != nullptr && gtk_widget_get_visible(bar)};
  };
  router_.add(
      ViewToolbar, [=, this] { toggle(toolbar_->widget()); }, [=, this] { return shown(toolbar_->widget()); });
  router_.add(
      ViewStatusBar, [=, this] { toggle(statusBar_->widget()); },
      [=, this] { return shown(statusBar_->widget()); });
}

void MainWindow::addAccelerators() {
  GtkAccelGroup* group = gtk_accel_group_new();
  for (const auto& accelerator : accelerators()) {
    if (accelerator.whenUnclaimed) continue;  // the comforts' own
    const std::string keys(accelerator.keys);
    guint key = 0;
    GdkModifierType modifiers{};
    gtk_accelerator_parse(keys.c_str(), &key, &modifiers);
    if (key == 0) continue;
    GClosure* closure = g_cclosure_new(G_CALLBACK(onAccelerator),
                                       new AcceleratorTarget{&router_, accelerator.id},
                                       deleteAcceleratorTarget);
    gtk_accel_group_connect(group, key, modifiers, GTK_ACCEL_VISIBLE, closure);
  }
  gtk_window_add_accel_group(window_, group);
  g_object_unref(group);
}

void MainWindow::show() {
  if (window_ == nullptr) return;
  gtk_widget_show(GTK_WIDGET(window_));
  view_->grabFocus();
}

void MainWindow::present(const std::string& activationToken) {
  if (window_ == nullptr) return;
  gtk_window_deiconify(window_);
  // GTK hands the token to the display: an xdg-activation request on
  // Wayland, the user time of the startup id on X11.
  if (!activationToken.empty()) gtk_window_set_startup_id(window_, activationToken.c_str());
  gtk_window_present(window_);
}

void MainWindow::close() {
  if (window_ != nullptr) gtk_window_close(window_);
}

void MainWindow::closeMenus() {
  if (menuBar_ != nullptr && menuBar_->widget() != nullptr) gtk_menu_shell_cancel(GTK_MENU_SHELL(menuBar_->widget()));
}

void MainWindow::destroy() {
  if (window_ != nullptr) gtk_widget_destroy(GTK_WIDGET(window_));
}

void MainWindow::onWindowDestroy(GtkWidget*, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  // The window's children, the view among them, are destroyed after this.
  if (window->comforts_) window->comforts_->rememberPlace();
  // The index reads the book's files: its build ends before they go.
  if (window->findTools_) window->findTools_->stopIndexing();
  window->session_.removeAll();
  if (window->onDestroyed_) window->onDestroyed_();
}

void MainWindow::onActiveChanged(GObject* window, GParamSpec*, gpointer self) {
  auto* mainWindow = static_cast<MainWindow*>(self);
  if (gtk_window_is_active(GTK_WINDOW(window)) && mainWindow->view_) mainWindow->view_->repaint();
}

}  // namespace pagora::viewer
