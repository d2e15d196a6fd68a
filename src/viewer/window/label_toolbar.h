// LabelToolbar: the frame's toolbar, with each button's short name as a label
// under its icon and all buttons of one size. Built from the command table's
// toolbar slots; a button is enabled as its command's update handler says.
// Tab visits every button that can take the focus, as it does every other
// control of the window, and each button tells assistive technology its
// shortcut as its description.
#pragma once

#include <gtk/gtk.h>

#include <vector>

#include "viewer/rules/command_ids.h"
#include "viewer/rules/command_router.h"
#include "viewer/window/status_bar.h"

namespace pagora::viewer {

class LabelToolbar {
 public:
  LabelToolbar(CommandRouter& router, StatusBar& statusBar);
  LabelToolbar(const LabelToolbar&) = delete;
  LabelToolbar& operator=(const LabelToolbar&) = delete;
  ~LabelToolbar();

  GtkWidget* widget() const { return GTK_WIDGET(toolbar_); }

  // Makes the buttons from the toolbar layout. A button's label is the last
  // non-empty line of its command's text; one without such a line gets none.
  // False when the layout names a command the table does not hold.
  bool load();

  // Re-reads every button's enabled state from the router.
  void updateStates();

 private:
  struct Button {
    GtkToolItem* item;
    CommandId id;
  };

  static void onClicked(GtkToolButton* button, gpointer self);
  static gboolean onPointerEnter(GtkWidget* widget, GdkEvent* event, gpointer self);
  static gboolean onPointerLeave(GtkWidget* widget, GdkEvent* event, gpointer self);
  static gboolean onFocus(GtkWidget* toolbar, GtkDirectionType direction, gpointer self);
  const Button* buttonFor(GtkWidget* widget) const;

  CommandRouter& router_;
  StatusBar& statusBar_;
  GtkToolbar* toolbar_;  // weak: owned by the frame's widget tree
  std::vector<Button> buttons_;
};

}  // namespace pagora::viewer
