#include "ui/main_frame.h"

#include "app/host_policy.h"
#include "app/temp_file_registry.h"
#include "container/book_loader.h"
#include "resources/command_table.h"
#include "ui/display_text.h"

namespace pagora::ui {
namespace {

struct AcceleratorTarget {
  CommandRouter* router;
  resources::CommandId id;
};

gboolean onAccelerator(GtkAccelGroup*, GObject*, guint, GdkModifierType, gpointer data) {
  const auto* target = static_cast<AcceleratorTarget*>(data);
  // A disabled command's key is taken all the same and does nothing.
  target->router->execute(target->id);
  return TRUE;
}

void deleteAcceleratorTarget(gpointer data, GClosure*) { delete static_cast<AcceleratorTarget*>(data); }

// The folder of the start page is the book's private folder.
std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

CMainFrame::CMainFrame(app::BrowserHost& host, std::function<void()> onDestroyed)
    : host_(host), onDestroyed_(std::move(onDestroyed)) {}

CMainFrame::~CMainFrame() { destroy(); }

bool CMainFrame::Create() {
  // The first request for the book's title loads the book; its messages appear
  // before the window exists.
  const std::string title = BookLoader::instance().title();
  window_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  g_object_add_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
  gtk_window_set_title(window_, displayText(title).c_str());
  gtk_window_set_default_size(window_, 900, 700);
  g_signal_connect(window_, "destroy", G_CALLBACK(onWindowDestroy), this);
  g_signal_connect(window_, "notify::is-active", G_CALLBACK(onActiveChanged), this);
  if (!OnCreate()) {
    destroy();
    return false;
  }
  return true;
}

bool CMainFrame::OnCreate() {
  // The view comes first and asks for the start page at once: the engine
  // works on it while the bars are built.
  host_.allowReading(folderOf(BookLoader::instance().startPagePath()));
  view_ = std::make_unique<CPagoraView>(host_, router_);
  view_->OnInitialUpdate();

  GtkWidget* layout = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_container_add(GTK_CONTAINER(window_), layout);

  statusBar_ = std::make_unique<StatusBar>();
  toolBar_ = std::make_unique<CLabelToolBar>(router_, *statusBar_);
  if (!toolBar_->LoadToolBar()) return false;
  menuBar_ = std::make_unique<MenuBar>(router_, *statusBar_);

  gtk_box_pack_start(GTK_BOX(layout), menuBar_->widget(), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(layout), toolBar_->widget(), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(layout), view_->widget(), TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(layout), statusBar_->widget(), FALSE, FALSE, 0);
  gtk_widget_show_all(layout);

  registerCommands();
  addAccelerators();
  router_.addObserver([this] {
    if (toolBar_) toolBar_->updateStates();
  });
  // The view's state may have changed before anyone was told.
  toolBar_->updateStates();
  return true;
}

void CMainFrame::registerCommands() {
  using enum resources::CommandId;
  view_->registerCommands(router_);
  router_.add(AppExit, [this] { close(); });
  // The bars go with the window; a state asked for after that is "off".
  const auto toggle = [](GtkWidget* bar) {
    if (bar != nullptr) gtk_widget_set_visible(bar, !gtk_widget_get_visible(bar));
  };
  const auto shown = [](GtkWidget* bar) {
    return CommandState{true, bar != nullptr && gtk_widget_get_visible(bar)};
  };
  router_.add(
      ViewToolbar, [=, this] { toggle(toolBar_->widget()); }, [=, this] { return shown(toolBar_->widget()); });
  router_.add(
      ViewStatusBar, [=, this] { toggle(statusBar_->widget()); },
      [=, this] { return shown(statusBar_->widget()); });
}

void CMainFrame::addAccelerators() {
  GtkAccelGroup* group = gtk_accel_group_new();
  for (const auto& accelerator : resources::accelerators()) {
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

void CMainFrame::show() {
  if (window_ == nullptr) return;
  gtk_widget_show(GTK_WIDGET(window_));
  view_->grabFocus();
}

void CMainFrame::present() {
  if (window_ == nullptr) return;
  gtk_window_deiconify(window_);
  gtk_window_present(window_);
}

void CMainFrame::close() {
  if (window_ != nullptr) gtk_window_close(window_);
}

void CMainFrame::destroy() {
  if (window_ != nullptr) gtk_widget_destroy(GTK_WIDGET(window_));
}

void CMainFrame::OnDestroy() {
  // The window's children, the view among them, are destroyed after this.
  TempFileRegistry::instance().removeAll();
}

void CMainFrame::onWindowDestroy(GtkWidget*, gpointer self) {
  auto* frame = static_cast<CMainFrame*>(self);
  frame->OnDestroy();
  if (frame->onDestroyed_) frame->onDestroyed_();
}

void CMainFrame::onActiveChanged(GObject* window, GParamSpec*, gpointer self) {
  auto* frame = static_cast<CMainFrame*>(self);
  if (gtk_window_is_active(GTK_WINDOW(window)) && frame->view_) frame->view_->repaint();
}

}  // namespace pagora::ui
