#include "viewer/window/search_pane.h"

#include <algorithm>

#include "search/words.h"
#include "viewer/rules/find_texts.h"

namespace pagora::viewer {
namespace {

// Results are listed a batch at a time: a query that matches every page of a
// large book lists at once, and more come as the reader scrolls.
constexpr std::size_t kRowsPerBatch = 100;
// While the index grows, the results follow it at most this often.
constexpr gint64 kRefreshInterval = G_USEC_PER_SEC / 2;

// The snippet as Pango markup, its marked words in bold.
std::string snippetMarkup(const search::Snippet& snippet) {
  std::string markup;
  std::size_t at = 0;
  auto escaped = [&](std::size_t begin, std::size_t end) {
    g_autofree char* text = g_markup_escape_text(snippet.text.data() + begin, static_cast<gssize>(end - begin));
    markup += text;
  };
  for (const search::Mark& mark : snippet.marks) {
    escaped(at, mark.begin);
    markup += "<b>";
    escaped(mark.begin, mark.end);
    markup += "</b>";
    at = mark.end;
  }
  escaped(at, snippet.text.size());
  return markup;
}

GtkWidget* resultRow(const search::SearchResult& result, const search::Snippet& snippet) {
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
  gtk_container_set_border_width(GTK_CONTAINER(box), 6);
  GtkWidget* title = gtk_label_new(nullptr);
  g_autofree char* titleMarkup = g_markup_printf_escaped("<b>%s</b>", result.title.c_str());
  gtk_label_set_markup(GTK_LABEL(title), titleMarkup);
  gtk_label_set_xalign(GTK_LABEL(title), 0.0F);
  gtk_label_set_ellipsize(GTK_LABEL(title), PANGO_ELLIPSIZE_END);
  gtk_box_pack_start(GTK_BOX(box), title, FALSE, FALSE, 0);
  if (!snippet.text.empty()) {
    GtkWidget* text = gtk_label_new(nullptr);
    gtk_label_set_markup(GTK_LABEL(text), snippetMarkup(snippet).c_str());
    gtk_label_set_xalign(GTK_LABEL(text), 0.0F);
    gtk_label_set_line_wrap(GTK_LABEL(text), TRUE);
    gtk_label_set_line_wrap_mode(GTK_LABEL(text), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_max_width_chars(GTK_LABEL(text), 40);
    gtk_style_context_add_class(gtk_widget_get_style_context(text), GTK_STYLE_CLASS_DIM_LABEL);
    gtk_box_pack_start(GTK_BOX(box), text, FALSE, FALSE, 0);
  }
  GtkWidget* row = gtk_list_box_row_new();
  gtk_container_add(GTK_CONTAINER(row), box);
  // Assistive technology reads the row by the page's title.
  atk_object_set_name(gtk_widget_get_accessible(row), result.title.c_str());
  gtk_widget_show_all(row);
  return row;
}

// The words as typed, each once, for the engine's find in the page opened.
std::vector<std::string> wordsOf(const std::string& text) {
  std::vector<std::string> words;
  search::forEachWord(text, [&](std::string_view word) {
    if (std::find(words.begin(), words.end(), word) == words.end()) words.emplace_back(word);
  });
  return words;
}

}  // namespace

SearchPane::SearchPane(BookSearch& search,
                       std::function<void(const std::string&, std::vector<std::string>)> openPage,
                       std::function<void()> shown, std::function<void()> focusPage)
    : search_(search),
      openPage_(std::move(openPage)),
      shown_(std::move(shown)),
      focusPage_(std::move(focusPage)),
      pane_(gtk_box_new(GTK_ORIENTATION_VERTICAL, 4)) {
  g_object_add_weak_pointer(G_OBJECT(pane_), reinterpret_cast<gpointer*>(&pane_));
  gtk_container_set_border_width(GTK_CONTAINER(pane_), 4);
  g_signal_connect(pane_, "key-press-event", G_CALLBACK(onKey), this);
  gtk_widget_set_size_request(pane_, 260, -1);
  gtk_widget_set_no_show_all(pane_, TRUE);
  search_.addObserver([this] { indexChanged(); });
}

SearchPane::~SearchPane() {
  if (pane_ != nullptr) g_object_remove_weak_pointer(G_OBJECT(pane_), reinterpret_cast<gpointer*>(&pane_));
}

void SearchPane::fill() {
  if (pane_ == nullptr || entry_ != nullptr) return;
  GtkBox* pane = GTK_BOX(pane_);

  GtkWidget* entry = gtk_search_entry_new();
  entry_ = GTK_ENTRY(entry);
  atk_object_set_name(gtk_widget_get_accessible(entry), std::string(kSearchEntryName).c_str());
  gtk_entry_set_placeholder_text(entry_, std::string(kSearchEntryName).c_str());
  g_signal_connect(entry, "search-changed", G_CALLBACK(onSearchChanged), this);
  g_signal_connect(entry, "activate", G_CALLBACK(onEntryActivate), this);
  g_signal_connect(entry, "stop-search", G_CALLBACK(onStopSearch), this);
  gtk_box_pack_start(pane, entry, FALSE, FALSE, 0);

  count_ = GTK_LABEL(gtk_label_new(nullptr));
  gtk_label_set_xalign(count_, 0.0F);
  gtk_box_pack_start(pane, GTK_WIDGET(count_), FALSE, FALSE, 0);
  indexing_ = gtk_label_new(std::string(kIndexingNotice).c_str());
  gtk_label_set_xalign(GTK_LABEL(indexing_), 0.0F);
  gtk_style_context_add_class(gtk_widget_get_style_context(indexing_), GTK_STYLE_CLASS_DIM_LABEL);
  gtk_box_pack_start(pane, indexing_, FALSE, FALSE, 0);

  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
  g_signal_connect(scrolled, "edge-reached", G_CALLBACK(onEdgeReached), this);
  list_ = GTK_LIST_BOX(gtk_list_box_new());
  gtk_list_box_set_selection_mode(list_, GTK_SELECTION_BROWSE);
  g_signal_connect(list_, "row-activated", G_CALLBACK(onRowActivated), this);
  atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(list_)), "Pages found");
  gtk_container_add(GTK_CONTAINER(scrolled), GTK_WIDGET(list_));
  gtk_box_pack_start(pane, scrolled, TRUE, TRUE, 0);
  // The pane itself stays hidden until shown.
  for (GtkWidget* child : {entry, GTK_WIDGET(count_), indexing_, scrolled}) gtk_widget_show_all(child);
}

void SearchPane::show() {
  if (pane_ == nullptr) return;
  fill();
  gtk_widget_show(pane_);
  gtk_widget_grab_focus(GTK_WIDGET(entry_));
  if (shown_) shown_();
  if (stale_) refresh();
  gtk_widget_set_visible(indexing_, !search_.complete());
}

void SearchPane::hide() {
  if (pane_ == nullptr || !gtk_widget_get_visible(pane_)) return;
  gtk_widget_hide(pane_);
  if (focusPage_) focusPage_();
}

bool SearchPane::isShown() const { return pane_ != nullptr && gtk_widget_get_visible(pane_); }

void SearchPane::registerCommands(CommandRouter& router) {
  router.add(CommandId::EditSearchBook, [this] { isShown() ? hide() : show(); });
}

void SearchPane::refresh() {
  if (pane_ == nullptr) return;
  stale_ = false;
  lastRefresh_ = g_get_monotonic_time();
  const std::string text = gtk_entry_get_text(entry_);
  query_ = search::Query::parse(text);
  typedWords_ = wordsOf(text);
  results_ = search_.index().search(query_, kRowsPerBatch);
  rowsShown_ = 0;
  gtk_container_foreach(GTK_CONTAINER(list_), [](GtkWidget* row, gpointer) { gtk_widget_destroy(row); }, nullptr);
  gtk_label_set_text(count_, query_.empty() ? "" : pageCountText(results_.size()).c_str());
  appendRows();
}

void SearchPane::appendRows() {
  const std::size_t end = std::min(results_.size(), rowsShown_ + kRowsPerBatch);
  for (; rowsShown_ < end; ++rowsShown_) {
    const search::SearchResult& result = results_[rowsShown_];
    const search::Snippet snippet =
        result.snippet.text.empty() ? search_.index().snippet(result.page, query_) : result.snippet;
    gtk_list_box_insert(list_, resultRow(result, snippet), -1);
  }
}

void SearchPane::indexChanged() {
  if (pane_ == nullptr || entry_ == nullptr) return;  // shown, it reads the index afresh
  gtk_widget_set_visible(indexing_, !search_.complete());
  if (gtk_entry_get_text(entry_)[0] == '\0') return;
  // Hidden, it catches up when shown; shown, at most every so often but
  // always once complete.
  if (!isShown()) {
    stale_ = true;
  } else if (search_.complete() || g_get_monotonic_time() - lastRefresh_ >= kRefreshInterval) {
    refresh();
  }
}

void SearchPane::onSearchChanged(GtkSearchEntry*, gpointer self) { static_cast<SearchPane*>(self)->refresh(); }

void SearchPane::onStopSearch(GtkSearchEntry*, gpointer self) { static_cast<SearchPane*>(self)->hide(); }

void SearchPane::onEntryActivate(GtkEntry*, gpointer self) {
  auto* pane = static_cast<SearchPane*>(self);
  // Enter opens the best page; the list keeps the keyboard for the next ones.
  if (GtkListBoxRow* first = gtk_list_box_get_row_at_index(pane->list_, 0)) {
    gtk_list_box_select_row(pane->list_, first);
    gtk_widget_grab_focus(GTK_WIDGET(first));
    onRowActivated(pane->list_, first, self);
  }
}

gboolean SearchPane::onKey(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* pane = static_cast<SearchPane*>(self);
  if (event->keyval == GDK_KEY_Escape) {
    pane->hide();
    return TRUE;
  }
  // Down from the entry goes into the list.
  if (event->keyval == GDK_KEY_Down && gtk_widget_has_focus(GTK_WIDGET(pane->entry_))) {
    if (GtkListBoxRow* first = gtk_list_box_get_row_at_index(pane->list_, 0)) {
      gtk_list_box_select_row(pane->list_, first);
      gtk_widget_grab_focus(GTK_WIDGET(first));
      return TRUE;
    }
  }
  return FALSE;
}

void SearchPane::onRowActivated(GtkListBox*, GtkListBoxRow* row, gpointer self) {
  auto* pane = static_cast<SearchPane*>(self);
  const int index = gtk_list_box_row_get_index(row);
  if (index < 0 || static_cast<std::size_t>(index) >= pane->rowsShown_) return;
  if (pane->openPage_) pane->openPage_(pane->results_[static_cast<std::size_t>(index)].storedName, pane->typedWords_);
}

void SearchPane::onEdgeReached(GtkScrolledWindow*, GtkPositionType edge, gpointer self) {
  if (edge == GTK_POS_BOTTOM) static_cast<SearchPane*>(self)->appendRows();
}

}  // namespace pagora::viewer
