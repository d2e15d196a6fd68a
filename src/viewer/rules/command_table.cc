#include "viewer/rules/command_table.h"

#include <algorithm>
#include <array>

namespace pagora::viewer {
namespace {

using enum CommandId;

constexpr std::array kCommands{
    CommandEntry{GoBack, "ID_GO_BACK", "Goes back one step\nBack", "go-previous"},
    CommandEntry{GoForward, "ID_GO_FORWARD", "Goes forward one step\nForward", "go-next"},
    CommandEntry{GoHome, "ID_GO_HOME", "Opens the start page\nHome", "go-home"},
    CommandEntry{ViewStop, "ID_VIEW_STOP", "Stops loading the current page\nStop", "process-stop"},
    CommandEntry{ViewRefresh, "ID_VIEW_REFRESH",
                 "Refreshes the contents of the current page\nRefresh", "view-refresh"},
    CommandEntry{SelectAll, "ID_SELECT_ALL", "Select all the text\nSelect All", ""},
    CommandEntry{FontLargest, "ID_FONT_LARGEST", "Selects the largest font size\nLargest", ""},
    CommandEntry{FontLarger, "ID_FONT_LARGER", "Selects the large font size\nLarger", ""},
    CommandEntry{FontMedium, "ID_FONT_MEDIUM", "Selects the medium font size\nMedium", ""},
    CommandEntry{FontSmaller, "ID_FONT_SMALLER", "Selects the small font size\nSmaller", ""},
    CommandEntry{FontSmallest, "ID_FONT_SMALLEST", "Selects the smallest font size\nSmallest", ""},
    CommandEntry{EditFind, "ID_EDIT_FIND", "Finds text in the page shown\nFind", ""},
    CommandEntry{EditFindNext, "ID_EDIT_FIND_NEXT", "Goes to the next match of the text sought\nFind Next", ""},
    CommandEntry{EditFindPrevious, "ID_EDIT_FIND_PREVIOUS",
                 "Goes to the previous match of the text sought\nFind Previous", ""},
    CommandEntry{EditSearchBook, "ID_EDIT_SEARCH_BOOK",
                 "Shows or hides the search of every page of the book\nSearch Book", ""},
    CommandEntry{FilePrintSetup, "ID_FILE_PRINT_SETUP",
                 "Change the printer and printing options\nPrint Setup", ""},
    CommandEntry{FilePrint, "ID_FILE_PRINT", "Print the active document\nPrint", "document-print"},
    CommandEntry{EditCopy, "ID_EDIT_COPY",
                 "Copy the selection and put it on the Clipboard\nCopy", "edit-copy"},
    CommandEntry{AppAbout, "ID_APP_ABOUT", "Display information about this E-Book\nAbout",
                 "help-about"},
    CommandEntry{AppExit, "ID_APP_EXIT", "Quit the application; prompts to save documents\nExit",
                 ""},
    CommandEntry{ViewToolbar, "ID_VIEW_TOOLBAR", "Show or hide the toolbar\nToggle ToolBar", ""},
    CommandEntry{ViewStatusBar, "ID_VIEW_STATUS_BAR",
                 "Show or hide the status bar\nToggle StatusBar", ""},
};

static_assert(std::ranges::is_sorted(kCommands, {}, &CommandEntry::id));

constexpr MenuEntry command(std::string_view label, CommandId id) {
  return {MenuEntryKind::Command, label, id};
}
constexpr MenuEntry checkable(std::string_view label, CommandId id) {
  return {MenuEntryKind::Command, label, id, {}, true};
}
constexpr MenuEntry separator() { return {MenuEntryKind::Separator, ""}; }

constexpr std::array kFileMenu{
    command("&Print...\tCtrl+P", FilePrint),
    command("P&rint Setup...", FilePrintSetup),
    separator(),
    command("E&xit", AppExit),
};

constexpr std::array kEditMenu{
    command("&Copy\tCtrl+C", EditCopy),
    separator(),
    command("Select &All\tCtrl+A", SelectAll),
    separator(),
    command("&Find...\tCtrl+F", EditFind),
    command("Find &Next\tF3", EditFindNext),
    command("Find &Previous\tShift+F3", EditFindPrevious),
    separator(),
    command("&Search Book...\tCtrl+Shift+F", EditSearchBook),
};

constexpr std::array kFontsMenu{
    checkable("Lar&gest", FontLargest),  checkable("&Larger", FontLarger),
    checkable("&Medium", FontMedium),    checkable("&Smaller", FontSmaller),
    checkable("Sm&allest", FontSmallest),
};

constexpr std::array kViewMenu{
    checkable("&Toolbar", ViewToolbar),
    checkable("&Status Bar", ViewStatusBar),
    separator(),
    MenuEntry{MenuEntryKind::Submenu, "Fo&nts", {}, kFontsMenu},
    separator(),
    command("Sto&p\tEsc", ViewStop),
    command("&Refresh\tF5", ViewRefresh),
};

constexpr std::array kGoMenu{
    command("&Back\tAlt+Left Arrow", GoBack),
    command("&Forward\tAlt+Right Arrow", GoForward),
    separator(),
    command("&Home", GoHome),
};

constexpr std::array kHelpMenu{
    command("&About...", AppAbout),
};

constexpr std::array kMenuBar{
    Menu{"&File", kFileMenu}, Menu{"&Edit", kEditMenu}, Menu{"&View", kViewMenu},
    Menu{"&Go", kGoMenu},     Menu{"&Help", kHelpMenu},
};

constexpr ToolbarSlot button(CommandId id) { return {false, id}; }
constexpr ToolbarSlot toolbarSeparator() { return {true}; }

constexpr std::array kToolbar{
    button(GoBack),    button(GoForward),  button(ViewStop),   button(ViewRefresh),
    button(GoHome),    toolbarSeparator(), button(EditCopy),   toolbarSeparator(),
    button(FilePrint), toolbarSeparator(), button(AppAbout),
};

// Alt+Left and Alt+Right are shown in the Go menu, so they work too.
constexpr std::array kAccelerators{
    Accelerator{"<Control>a", SelectAll},      Accelerator{"<Control>c", EditCopy},
    Accelerator{"<Control>Insert", EditCopy},  Accelerator{"<Control>p", FilePrint},
    Accelerator{"Escape", ViewStop},           Accelerator{"F5", ViewRefresh},
    Accelerator{"<Alt>Left", GoBack},          Accelerator{"<Alt>Right", GoForward},
    Accelerator{"<Control>f", EditFind},       Accelerator{"F3", EditFindNext},
    Accelerator{"<Control>g", EditFindNext},   Accelerator{"<Shift>F3", EditFindPrevious},
    Accelerator{"<Control><Shift>g", EditFindPrevious},
    Accelerator{"<Control><Shift>f", EditSearchBook},
};

}  // namespace

std::span<const CommandEntry> commandTable() { return kCommands; }

const CommandEntry* findCommand(CommandId id) {
  const auto* found = std::ranges::lower_bound(kCommands, id, {}, &CommandEntry::id);
  return found != kCommands.end() && found->id == id ? found : nullptr;
}

std::span<const Menu> menuBar() { return kMenuBar; }

std::span<const ToolbarSlot> toolbarLayout() { return kToolbar; }

std::span<const Accelerator> accelerators() { return kAccelerators; }

}  // namespace pagora::viewer
