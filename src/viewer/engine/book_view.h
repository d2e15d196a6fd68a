// BookView: the view that shows the book's pages in the web engine and holds
// the viewer's link policy. Addresses that leave the book go to the desktop's
// default program when the reader asked for them; requests for a new window
// are refused when a modifier key is held and otherwise go to the default
// browser. The view's commands (view_commands.cc) act on the engine; printing
// belongs to the window, which the view asks when a page wants to print.
#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "glib/signal_connection.h"
#include "session/book_session.h"
#include "viewer/engine/held_navigations.h"
#include "viewer/rules/command_ids.h"
#include "viewer/rules/command_router.h"
#include "viewer/rules/notice_sink.h"

namespace pagora::viewer {

class BrowserHost;

class BookView {
 public:
  // Creates the engine's view through the host, which has already been told
  // which folder the engine may read. All four outlive the view.
  BookView(BrowserHost& host, CommandRouter& router, BookSession& session, NoticeSink& notices);
  BookView(const BookView&) = delete;
  BookView& operator=(const BookView&) = delete;
  ~BookView();

  // The engine's widget; the frame's container owns it.
  GtkWidget* widget() const { return GTK_WIDGET(view_); }

  // History off, no drops, the Medium font size, then `firstPagePath` (a
  // page the reader left the book at), else the start page.
  void initialize(const std::string& firstPagePath = {});

  // Shows the book's start page.
  void navigateToStartPage();

  // Navigates to a file path (as a percent-encoded file: address) or to an
  // address as it is; an empty one shows a blank page.
  void navigate(const std::string& pathOrAddress);

  // The address shown, empty before the first page.
  std::string locationUrl() const;

  // Repaints the page, as when the window becomes active.
  void repaint();
  void grabFocus();

  // Puts the view's command handlers into the router.
  void registerCommands(CommandRouter& router);

  // The font size command in effect, and a change to another one.
  CommandId fontSize() const { return fontSize_; }
  void setFontSize(CommandId id);

  // What to do when a page asks to print (window.print()); until set, such
  // requests are dropped. The engine never prints by itself.
  void onPrintRequest(std::function<void(WebKitPrintOperation*)> handler) { printRequested_ = std::move(handler); }

  WebKitWebView* webView() const { return view_; }

 private:
  bool decideNavigationPolicy(WebKitNavigationPolicyDecision* decision);
  // Whether the reader's own action asked for this: a gesture not yet spent
  // on handing an address on, opening a window or a notice, so that a script
  // looping inside the handler of one click or key cannot open programs or
  // notices over and over. spendReadersAction() records such an effect.
  bool isReadersAction(WebKitNavigationAction* action) const;
  void spendReadersAction();
  void handleNewWindowRequest(WebKitNavigationAction* action);
  bool decideResponsePolicy(WebKitResponsePolicyDecision* decision);
  // Whether the address names a file in the book's private folder.
  bool isStoredFile(const std::string& address) const;
  // The about page has no character set of its own and holds the book's
  // texts, which are UTF-8 when valid as such, else Windows-1252: the engine
  // reads it so, and every other page as it would by default.
  void useCharacterSetFor(const std::string& address);
  void updateHistoryState();

  static gboolean onDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self);
  static GtkWidget* onCreate(WebKitWebView* view, WebKitNavigationAction* action, gpointer self);
  static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static void onHistoryChanged(WebKitBackForwardList* list, WebKitBackForwardListItem* added,
                               gpointer removed, gpointer self);
  static void onLoadingChanged(GObject* view, GParamSpec* property, gpointer self);
  static gboolean onReaderInput(GtkWidget* widget, GdkEvent* event, gpointer self);
  static gboolean onScriptPrint(WebKitWebView* view, WebKitPrintOperation* operation, gpointer self);
  static void onSelectionMessage(WebKitUserContentManager* content, WebKitJavascriptResult* result,
                                 gpointer self);

  CommandRouter& router_;
  BookSession& session_;
  NoticeSink& notices_;
  WebKitWebView* view_;  // weak: owned by the window's widget tree
  CommandId fontSize_ = CommandId::FontMedium;
  bool canGoBack_ = false;
  bool canGoForward_ = false;
  // The frames that report a selection; Copy is enabled while any does.
  std::set<std::string> framesWithSelection_;
  std::string readersNavigation_;  // the address of the reader's last navigation
  std::string defaultCharset_;     // the engine's own default
  gint64 lastReaderPress_ = 0;  // monotonic µs; see isReadersAction()
  gint64 lastEffect_ = 0;
  bool firstLoadReported_ = false;  // see load_finished_report.h
  glib::SignalConnection selectionChanged_;
  std::function<void(WebKitPrintOperation*)> printRequested_;
  // Navigations that wait for the rest of the book to be written.
  HeldNavigations held_;
};

}  // namespace pagora::viewer
