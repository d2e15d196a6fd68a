#include "viewer/app/launcher/message_window.h"

#include <dlfcn.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace pagora::launcher {
namespace {

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

// GTK 3's C interface, as much as a message box needs; the values are GTK's.
using InitCheck = int (*)(int*, char***);
using MessageDialogNew = void* (*)(void*, int, int, int, const char*, ...);
using SetTitle = void (*)(void*, const char*);
using DialogRun = int (*)(void*);
using WidgetDestroy = void (*)(void*);
constexpr int kGtkMessageError = 3;
constexpr int kGtkButtonsOk = 1;

bool showWithGtk(const char* title, const char* text) {
  void* gtk = ::dlopen("libgtk-3.so.0", RTLD_NOW | RTLD_LOCAL);
  if (gtk == nullptr) return false;
  auto init = reinterpret_cast<InitCheck>(::dlsym(gtk, "gtk_init_check"));
  auto dialogNew = reinterpret_cast<MessageDialogNew>(::dlsym(gtk, "gtk_message_dialog_new"));
  auto setTitle = reinterpret_cast<SetTitle>(::dlsym(gtk, "gtk_window_set_title"));
  auto run = reinterpret_cast<DialogRun>(::dlsym(gtk, "gtk_dialog_run"));
  auto destroy = reinterpret_cast<WidgetDestroy>(::dlsym(gtk, "gtk_widget_destroy"));
  if (init == nullptr || dialogNew == nullptr || setTitle == nullptr || run == nullptr || destroy == nullptr) {
    return false;
  }
  // GTK's settings would otherwise make their folder in the runtime folder:
  // this message writes nothing.
  ::setenv("GSETTINGS_BACKEND", "memory", 1);
  if (init(nullptr, nullptr) == 0) return false;  // no display GTK can open
  void* dialog = dialogNew(nullptr, 0, kGtkMessageError, kGtkButtonsOk, "%s", text);
  if (dialog == nullptr) return false;
  setTitle(dialog, title);
  run(dialog);
  destroy(dialog);
  return true;
}

// posix_spawn takes the words of a command as char*, and changes none of them.
char* word(const char* text) { return const_cast<char*>(text); }

// Runs a program found on PATH and waits for it. A program that is missing,
// dies of a signal or cannot reach the display (status 2 and above for all
// three) has shown nothing.
bool showWith(char* const* command) {
  pid_t child;
  if (::posix_spawnp(&child, command[0], nullptr, nullptr, command, environ) != 0) return false;
  int status;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) <= 1;
}

}  // namespace

bool showMessageWindow(const char* title, const char* text) {
  const bool x11 = isSet("DISPLAY");
  if (!x11 && !isSet("WAYLAND_DISPLAY")) return false;
  if (showWithGtk(title, text)) return true;
  char* zenity[] = {word("zenity"), word("--error"), word("--no-markup"), word("--title"), word(title),
                    word("--text"), word(text), nullptr};
  if (showWith(zenity)) return true;
  char* kdialog[] = {word("kdialog"), word("--title"), word(title), word("--error"), word(text), nullptr};
  if (showWith(kdialog)) return true;
  if (!x11) return false;
  char* xmessage[] = {word("xmessage"), word("-center"), word("-title"), word(title), word("-buttons"), word("OK:0"),
                      word("-default"), word("OK"), word(text), nullptr};
  return showWith(xmessage);
}

}  // namespace pagora::launcher
