#include "viewer/window/page_focus_chain.h"

namespace pagora::viewer {
namespace {

bool isTab(const GdkEventKey* event) {
  return event->keyval == GDK_KEY_Tab || event->keyval == GDK_KEY_ISO_Left_Tab || event->keyval == GDK_KEY_KP_Tab;
}

}  // namespace

PageFocusChain::PageFocusChain(GtkWindow* window, WebKitWebView* view) : view_(view) {
  g_object_add_weak_pointer(G_OBJECT(view_), reinterpret_cast<gpointer*>(&view_));
  viewKeyPress_ = glib::SignalConnection(view, "key-press-event", G_CALLBACK(onViewKeyPress), this);
  windowKeyPress_ = glib::SignalConnection(window, "key-press-event", G_CALLBACK(onWindowKeyPress), this);
}

PageFocusChain::~PageFocusChain() {
  if (view_ != nullptr) g_object_remove_weak_pointer(G_OBJECT(view_), reinterpret_cast<gpointer*>(&view_));
}

gboolean PageFocusChain::onViewKeyPress(GtkWidget* view, GdkEventKey* event, gpointer self) {
  auto* chain = static_cast<PageFocusChain*>(self);
  // The engine hands back a key it did not use as the same event, time and all.
  if (isTab(event) && gtk_widget_has_focus(view) && !(chain->tabPending_ && event->time == chain->tabGivenToPage_)) {
    chain->tabGivenToPage_ = event->time;
    chain->tabPending_ = true;
  }
  return FALSE;
}

gboolean PageFocusChain::onWindowKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* chain = static_cast<PageFocusChain*>(self);
  if (!isTab(event) || !chain->tabPending_ || event->time != chain->tabGivenToPage_) return FALSE;
  // The page's Tab back from the engine. Unless the page has already handed
  // the focus on, it moves the focus as any unused Tab does.
  chain->tabPending_ = false;
  if (chain->view_ == nullptr || gtk_widget_has_focus(GTK_WIDGET(chain->view_))) return FALSE;
  gtk_widget_event(GTK_WIDGET(chain->view_), reinterpret_cast<GdkEvent*>(event));
  return TRUE;
}

}  // namespace pagora::viewer
