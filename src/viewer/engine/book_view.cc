#include "viewer/engine/book_view.h"

#include <string_view>

#include "glib/open_address.h"
#include "pages/about_page.h"
#include "viewer/engine/browser_host.h"
#include "viewer/engine/load_finished_report.h"
#include "viewer/rules/link_policy.h"

namespace pagora::viewer {
namespace {

HeldModifiers heldModifiers(WebKitNavigationAction* action) {
  const guint mask = webkit_navigation_action_get_modifiers(action);
  return {.shift = (mask & GDK_SHIFT_MASK) != 0,
          .control = (mask & GDK_CONTROL_MASK) != 0,
          .alt = (mask & GDK_MOD1_MASK) != 0};
}

std::string requestedAddress(WebKitNavigationAction* action) {
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  return uri != nullptr ? uri : "";
}

}  // namespace

BookView::BookView(BrowserHost& host, CommandRouter& router, BookSession& session, NoticeSink& notices)
    : router_(router), session_(session), notices_(notices), view_(host.createView()), held_(session) {
  g_object_add_weak_pointer(G_OBJECT(view_), reinterpret_cast<gpointer*>(&view_));
  // The handlers die with the widget, which the frame destroys before this object.
  g_signal_connect(view_, "decide-policy", G_CALLBACK(onDecidePolicy), this);
  g_signal_connect(view_, "create", G_CALLBACK(onCreate), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
  g_signal_connect(view_, "print", G_CALLBACK(onScriptPrint), this);
  g_signal_connect(view_, "button-press-event", G_CALLBACK(onReaderInput), this);
  g_signal_connect(view_, "key-press-event", G_CALLBACK(onReaderInput), this);
  g_signal_connect(view_, "notify::is-loading", G_CALLBACK(onLoadingChanged), this);
  g_signal_connect(webkit_web_view_get_back_forward_list(view_), "changed",
                   G_CALLBACK(onHistoryChanged), this);
  // Status texts (the address under the pointer, load messages) are not shown:
  // the status bar carries only the viewer's own texts.
  const std::string selectionSignal = std::string("script-message-received::") + kSelectionMessage;
  selectionChanged_ = glib::SignalConnection(host.contentManager(), selectionSignal.c_str(),
                                       G_CALLBACK(onSelectionMessage), this);
}

BookView::~BookView() {
  if (view_ != nullptr) g_object_remove_weak_pointer(G_OBJECT(view_), reinterpret_cast<gpointer*>(&view_));
}

void BookView::initialize(const std::string& firstPagePath) {
  canGoBack_ = false;
  canGoForward_ = false;
  // Files or links dropped on the view are not opened.
  gtk_drag_dest_unset(GTK_WIDGET(view_));
  setFontSize(CommandId::FontMedium);
  if (firstPagePath.empty()) {
    navigateToStartPage();
  } else {
    navigate(firstPagePath);
  }
}

void BookView::navigateToStartPage() { navigate(session_.startPagePath()); }

void BookView::navigate(const std::string& pathOrAddress) {
  if (view_ == nullptr) return;
  if (pathOrAddress.empty()) {
    webkit_web_view_load_uri(view_, "about:blank");
    return;
  }
  if (pathOrAddress.front() != '/') {
    webkit_web_view_load_uri(view_, pathOrAddress.c_str());
    return;
  }
  g_autofree char* uri = g_filename_to_uri(pathOrAddress.c_str(), nullptr, nullptr);
  webkit_web_view_load_uri(view_, uri != nullptr ? uri : "about:blank");
}

std::string BookView::locationUrl() const {
  const char* uri = view_ != nullptr ? webkit_web_view_get_uri(view_) : nullptr;
  return uri != nullptr ? uri : "";
}

void BookView::repaint() {
  if (view_ != nullptr) gtk_widget_queue_draw(GTK_WIDGET(view_));
}

void BookView::grabFocus() {
  if (view_ != nullptr) gtk_widget_grab_focus(GTK_WIDGET(view_));
}

bool BookView::isReadersAction(WebKitNavigationAction* action) const {
  if (!webkit_navigation_action_is_user_gesture(action)) return false;
  // A script running inside the handler of one press counts as a gesture too,
  // for as long as the handler runs: only the first effect is the reader's.
  // Activations through the accessibility bus come without a press, so a
  // gesture long after the last effect counts again.
  constexpr gint64 kGestureSpan = G_USEC_PER_SEC;
  return lastReaderPress_ > lastEffect_ || g_get_monotonic_time() - lastEffect_ > kGestureSpan;
}

void BookView::spendReadersAction() { lastEffect_ = g_get_monotonic_time(); }

gboolean BookView::onReaderInput(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<BookView*>(self)->lastReaderPress_ = g_get_monotonic_time();
  return FALSE;  // the engine handles the event as ever
}

bool BookView::decideNavigationPolicy(WebKitNavigationPolicyDecision* decision) {
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(decision);
  const std::string address = requestedAddress(action);
  auto* policy = WEBKIT_POLICY_DECISION(decision);

  // A click with Shift, Ctrl or Alt held is how a reader asks for a new window.
  if (webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_LINK_CLICKED &&
      heldModifiers(action).any()) {
    webkit_policy_decision_ignore(policy);
    handleNewWindowRequest(action);
    return true;
  }

  const bool readersAction = isReadersAction(action);
  switch (decideNavigation(address, readersAction)) {
    case NavigationVerdict::Proceed:
      // Remembered so that a stored file the engine cannot show goes on to
      // another program only when the reader asked for it.
      readersNavigation_ = readersAction ? address : std::string();
      useCharacterSetFor(address);
      // A stored file not written yet goes first, and the engine goes once it is.
      return held_.holdUntilWritten(policy, address);
    case NavigationVerdict::HandOver:
      spendReadersAction();
      webkit_policy_decision_ignore(policy);
      glib::openInDefaultProgram(address);
      return true;
    case NavigationVerdict::Ignore:
      webkit_policy_decision_ignore(policy);
      return true;
  }
  return false;
}

bool BookView::decideResponsePolicy(WebKitResponsePolicyDecision* decision) {
  if (webkit_response_policy_decision_is_mime_type_supported(decision)) return false;
  // What the engine cannot show would become a download, which is refused:
  // nothing is written outside the private folder. A stored file the reader
  // asked for (a .zip, an .odt) goes to the desktop's program for its type,
  // from the private folder, and the page stays.
  webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
  const char* uri = webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(decision));
  const std::string address = uri != nullptr ? uri : "";
  if (webkit_response_policy_decision_is_main_frame_main_resource(decision) && !address.empty() &&
      address == readersNavigation_ && isStoredFile(address)) {
    spendReadersAction();
    glib::openInDefaultProgram(address);
  }
  readersNavigation_.clear();
  return true;
}

bool BookView::isStoredFile(const std::string& address) const {
  const std::string& folder = session_.privateFolderPath();
  if (folder.empty()) return false;
  g_autofree char* path = g_filename_from_uri(address.c_str(), nullptr, nullptr);
  return path != nullptr && std::string_view(path).starts_with(folder);
}

void BookView::useCharacterSetFor(const std::string& address) {
  if (view_ == nullptr) return;
  WebKitSettings* settings = webkit_web_view_get_settings(view_);
  if (defaultCharset_.empty()) defaultCharset_ = webkit_settings_get_default_charset(settings);
  std::string wanted = defaultCharset_;
  g_autofree char* path = g_filename_from_uri(address.c_str(), nullptr, nullptr);
  if (path != nullptr && !session_.privateFolderPath().empty() &&
      path == session_.privateFolderPath() + kAboutPageName) {
    const BookInfo& info = session_.info();
    const std::string texts = info.esbn + info.title + info.author + info.authorEmail + info.webAddress +
                              info.publisher + info.contentsNotice;
    wanted = g_utf8_validate(texts.data(), static_cast<gssize>(texts.size()), nullptr) ? "UTF-8" : "windows-1252";
  }
  if (wanted != webkit_settings_get_default_charset(settings)) {
    webkit_settings_set_default_charset(settings, wanted.c_str());
  }
}

void BookView::handleNewWindowRequest(WebKitNavigationAction* action) {
  const std::string address = requestedAddress(action);
  switch (decideNewWindow(heldModifiers(action), isReadersAction(action))) {
    case NewWindowVerdict::RefuseWithNotice:
      spendReadersAction();
      notices_.show({std::string(kNewWindowRefusedNotice), NoticeIcon::Warning});
      break;
    case NewWindowVerdict::RefuseSilently:
    case NewWindowVerdict::Ignore:
      break;
    case NewWindowVerdict::OpenInBrowser:
      spendReadersAction();
      if (engineShowsAddress(address)) {
        glib::openInDefaultBrowser(address);
      } else {
        glib::openInDefaultProgram(address);
      }
      break;
  }
}

void BookView::updateHistoryState() {
  if (view_ == nullptr) return;
  canGoBack_ = webkit_web_view_can_go_back(view_);
  canGoForward_ = webkit_web_view_can_go_forward(view_);
  router_.notifyStateChanged();
}

gboolean BookView::onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                     WebKitPolicyDecisionType type, gpointer self) {
  auto* view = static_cast<BookView*>(self);
  switch (type) {
    case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION:
      return view->decideNavigationPolicy(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
      webkit_policy_decision_ignore(decision);
      view->handleNewWindowRequest(
          webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision)));
      return TRUE;
    case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
      return view->decideResponsePolicy(WEBKIT_RESPONSE_POLICY_DECISION(decision));
  }
  return FALSE;
}

GtkWidget* BookView::onCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self) {
  // A script's window.open: the same rule as any new window, and never a view.
  static_cast<BookView*>(self)->handleNewWindowRequest(action);
  return nullptr;
}

void BookView::onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  auto* view = static_cast<BookView*>(self);
  if (event == WEBKIT_LOAD_COMMITTED) view->framesWithSelection_.clear();
  if (event == WEBKIT_LOAD_FINISHED && !view->firstLoadReported_) {
    view->firstLoadReported_ = true;
    reportLoadFinished();
    // The rest of the book was held back while this page came up.
    view->session_.releaseWriting();
  }
  view->updateHistoryState();
}

void BookView::onHistoryChanged(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer,
                                   gpointer self) {
  static_cast<BookView*>(self)->updateHistoryState();
}

void BookView::onLoadingChanged(GObject*, GParamSpec*, gpointer self) {
  static_cast<BookView*>(self)->router_.notifyStateChanged();
}

void BookView::onSelectionMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                  gpointer self) {
  auto* view = static_cast<BookView*>(self);
  g_autofree char* message = jsc_value_to_string(webkit_javascript_result_get_js_value(result));
  const std::string_view text = message != nullptr ? message : "";
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) return;
  const std::string frame(text.substr(0, colon));
  if (text.substr(colon + 1) == "1") {
    view->framesWithSelection_.insert(frame);
  } else {
    view->framesWithSelection_.erase(frame);
  }
  view->router_.notifyStateChanged();
}

}  // namespace pagora::viewer
