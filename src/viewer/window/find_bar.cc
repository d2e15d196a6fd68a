#include "viewer/window/find_bar.h"

#include <string>

#include "viewer/rules/find_texts.h"

namespace pagora::viewer {
namespace {

GtkWidget* buttonFor(GtkBox* bar, const char* label, const char* tooltip, GCallback clicked, gpointer self) {
  GtkWidget* button = gtk_button_new_with_label(label);
  gtk_widget_set_tooltip_text(button, tooltip);
  gtk_widget_set_focus_on_click(button, FALSE);
  g_signal_connect(button, "clicked", clicked, self);
  gtk_box_pack_start(bar, button, FALSE, FALSE, 0);
  return button;
}

bool isEnter(guint key) { return key == GDK_KEY_Return || key == GDK_KEY_KP_Enter || key == GDK_KEY_ISO_Enter; }

}  // namespace

FindBar::FindBar(PageFinder& finder, std::function<void()> focusPage)
    : finder_(finder), focusPage_(std::move(focusPage)), bar_(gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6)) {
  g_object_add_weak_pointer(G_OBJECT(bar_), reinterpret_cast<gpointer*>(&bar_));
  gtk_container_set_border_width(GTK_CONTAINER(bar_), 4);
  g_signal_connect(bar_, "key-press-event", G_CALLBACK(onBarKey), this);
  // The window shows all it holds at once; the bar waits to be opened.
  gtk_widget_set_no_show_all(bar_, TRUE);
  finder_.setListener([this](const std::string& text, std::size_t matches) { showCount(text, matches); });
}

FindBar::~FindBar() {
  finder_.setListener(nullptr);
  if (bar_ != nullptr) g_object_remove_weak_pointer(G_OBJECT(bar_), reinterpret_cast<gpointer*>(&bar_));
}

void FindBar::fill() {
  if (bar_ == nullptr || entry_ != nullptr) return;
  GtkBox* box = GTK_BOX(bar_);

  GtkWidget* entry = gtk_search_entry_new();
  entry_ = GTK_ENTRY(entry);
  gtk_entry_set_width_chars(entry_, 28);
  atk_object_set_name(gtk_widget_get_accessible(entry), std::string(kFindEntryName).c_str());
  gtk_entry_set_placeholder_text(entry_, std::string(kFindEntryName).c_str());
  gtk_box_pack_start(box, entry, FALSE, FALSE, 0);
  g_signal_connect(entry, "search-changed", G_CALLBACK(onSearchChanged), this);
  g_signal_connect(entry, "key-press-event", G_CALLBACK(onEntryKey), this);
  // The entry's own keys: Ctrl+G and Ctrl+Shift+G, Esc.
  g_signal_connect(entry, "next-match", G_CALLBACK(onNextMatch), this);
  g_signal_connect(entry, "previous-match", G_CALLBACK(onPreviousMatch), this);
  g_signal_connect(entry, "stop-search", G_CALLBACK(onStopSearch), this);

  GtkWidget* previous =
      buttonFor(box, "Previous", "Go to the previous match (Shift+F3)", G_CALLBACK(onPreviousClicked), this);
  GtkWidget* next = buttonFor(box, "Next", "Go to the next match (F3)", G_CALLBACK(onNextClicked), this);
  count_ = GTK_LABEL(gtk_label_new(nullptr));
  gtk_box_pack_start(box, GTK_WIDGET(count_), FALSE, FALSE, 6);

  GtkWidget* close = gtk_button_new_from_icon_name("window-close-symbolic", GTK_ICON_SIZE_MENU);
  gtk_button_set_relief(GTK_BUTTON(close), GTK_RELIEF_NONE);
  gtk_widget_set_tooltip_text(close, "Close the find bar (Esc)");
  atk_object_set_name(gtk_widget_get_accessible(close), "Close find bar");
  g_signal_connect(close, "clicked", G_CALLBACK(onCloseClicked), this);
  gtk_box_pack_end(box, close, FALSE, FALSE, 0);
  // The bar itself stays hidden until opened.
  for (GtkWidget* child : {entry, previous, next, GTK_WIDGET(count_), close}) gtk_widget_show_all(child);
}

void FindBar::open() {
  if (bar_ == nullptr) return;
  fill();
  gtk_widget_show(bar_);
  gtk_widget_grab_focus(GTK_WIDGET(entry_));
  gtk_editable_select_region(GTK_EDITABLE(entry_), 0, -1);
  const char* text = gtk_entry_get_text(entry_);
  if (text[0] != '\0' && finder_.text() != text) finder_.find(text);
}

void FindBar::close() {
  if (bar_ == nullptr || !gtk_widget_get_visible(bar_)) return;
  gtk_widget_hide(bar_);
  finder_.finish();
  gtk_label_set_text(count_, "");
  if (focusPage_) focusPage_();
}

bool FindBar::isOpen() const { return bar_ != nullptr && gtk_widget_get_visible(bar_); }

void FindBar::registerCommands(CommandRouter& router) {
  using enum CommandId;
  router.add(EditFind, [this] { open(); });
  router.add(EditFindNext, [this] { step(true); });
  router.add(EditFindPrevious, [this] { step(false); });
}

void FindBar::step(bool forward) {
  if (finder_.text().empty()) {
    open();
  } else if (forward) {
    finder_.next();
  } else {
    finder_.previous();
  }
}

void FindBar::showCount(const std::string& text, std::size_t matches) {
  if (bar_ == nullptr) return;
  fill();
  // What is sought may come from elsewhere (a result of the book's search).
  if (!text.empty() && text != gtk_entry_get_text(entry_)) gtk_entry_set_text(entry_, text.c_str());
  const std::string shown = text.empty() ? std::string() : matchCountText(matches, PageFinder::kCountLimit);
  gtk_label_set_text(count_, shown.c_str());
}

void FindBar::onSearchChanged(GtkSearchEntry* entry, gpointer self) {
  auto* bar = static_cast<FindBar*>(self);
  const std::string text = gtk_entry_get_text(GTK_ENTRY(entry));
  // Also what showCount() put there: the finder seeks it already.
  if (text == bar->finder_.text()) return;
  bar->finder_.find(text);
  if (text.empty()) gtk_label_set_text(bar->count_, "");
}

gboolean FindBar::onEntryKey(GtkWidget*, GdkEventKey* event, gpointer self) {
  if (!isEnter(event->keyval)) return FALSE;
  static_cast<FindBar*>(self)->step((event->state & GDK_SHIFT_MASK) == 0);
  return TRUE;
}

gboolean FindBar::onBarKey(GtkWidget*, GdkEventKey* event, gpointer self) {
  // Esc from anywhere in the bar (the entry has its own).
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  static_cast<FindBar*>(self)->close();
  return TRUE;
}

void FindBar::onNextMatch(GtkSearchEntry*, gpointer self) { static_cast<FindBar*>(self)->step(true); }
void FindBar::onPreviousMatch(GtkSearchEntry*, gpointer self) { static_cast<FindBar*>(self)->step(false); }
void FindBar::onStopSearch(GtkSearchEntry*, gpointer self) { static_cast<FindBar*>(self)->close(); }
void FindBar::onNextClicked(GtkButton*, gpointer self) { static_cast<FindBar*>(self)->step(true); }
void FindBar::onPreviousClicked(GtkButton*, gpointer self) { static_cast<FindBar*>(self)->step(false); }
void FindBar::onCloseClicked(GtkButton*, gpointer self) { static_cast<FindBar*>(self)->close(); }

}  // namespace pagora::viewer
