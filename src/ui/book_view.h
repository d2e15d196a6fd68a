// CPagoraView: the view that shows the book's pages in the web engine and holds
// the viewer's link policy. Addresses that leave the book go to the desktop's
// default program when the reader asked for them; requests for a new window
// are refused when a modifier key is held and otherwise go to the default
// browser. The view's commands (view_commands.cc) act on the engine.
#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <string>

#include "resources/command_ids.h"
#include "ui/command_router.h"
#include "ui/gobject_ptr.h"
#include "ui/signal_connection.h"

namespace pagora::app {
class BrowserHost;
}

namespace pagora::ui {

class CPagoraView {
 public:
  // Creates the engine's view through the host, which has already been told
  // which folder the engine may read.
  CPagoraView(app::BrowserHost& host, CommandRouter& router);
  CPagoraView(const CPagoraView&) = delete;
  CPagoraView& operator=(const CPagoraView&) = delete;
  ~CPagoraView();

  // The engine's widget; the frame's container owns it.
  GtkWidget* widget() const { return GTK_WIDGET(view_); }

  // History off, no drops, the Medium font size, then the start page.
  void OnInitialUpdate();

  // Shows the book's start page.
  void NavigateStartPage();

  // Navigates to a file path (as a percent-encoded file: address) or to an
  // address as it is; an empty one shows a blank page.
  void Navigate2(const std::string& pathOrAddress);

  // The address shown, empty before the first page.
  std::string locationUrl() const;

  // Repaints the page, as when the window becomes active.
  void repaint();
  void grabFocus();

  // Puts the view's command handlers into the router.
  void registerCommands(CommandRouter& router);

 private:
  bool OnBeforeNavigate2(WebKitNavigationPolicyDecision* decision);
  void OnNewWindow2(WebKitNavigationAction* action);
  void OnCommandStateChange();
  void setFontSize(resources::CommandId id);
  void print();
  void runPrintDialog(GObjectPtr<WebKitPrintOperation> operation);
  void printSetup();

  static gboolean onDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self);
  static GtkWidget* onCreate(WebKitWebView* view, WebKitNavigationAction* action, gpointer self);
  static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static void onHistoryChanged(WebKitBackForwardList* list, WebKitBackForwardListItem* added,
                               gpointer removed, gpointer self);
  static void onLoadingChanged(GObject* view, GParamSpec* property, gpointer self);
  static gboolean onScriptPrint(WebKitWebView* view, WebKitPrintOperation* operation, gpointer self);
  static void onSelectionMessage(WebKitUserContentManager* content, WebKitJavascriptResult* result,
                                 gpointer self);

  CommandRouter& router_;
  WebKitWebView* view_;  // weak: owned by the frame's widget tree
  std::uint32_t m_nFontSizeCmd = static_cast<std::uint32_t>(resources::CommandId::FontMedium);
  bool m_bCanGoBack = false;
  bool m_bCanGoForward = false;
  bool hasSelection_ = false;
  bool firstLoadReported_ = false;  // see load_finished_report.h
  SignalConnection selectionChanged_;
  GObjectPtr<GtkPageSetup> pageSetup_;          // chosen in Print Setup
  GObjectPtr<GtkPrintSettings> printSettings_;  // kept from one print to the next
  GObjectPtr<WebKitPrintOperation> lastPrint_;   // alive until the next print
  bool printDialogOpen_ = false;
};

}  // namespace pagora::ui
