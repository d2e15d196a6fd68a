#include "viewer/app/application.h"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <future>
#include <vector>

#include "glib/gl_choice.h"
#include "glib/main_loop_task.h"
#include "platform/file.h"
#include "platform/single_instance_lock.h"
#include "platform/temp_directory.h"
#include "viewer/engine/engine_processes.h"
#include "viewer/engine/load_finished_report.h"
#include "viewer/rules/command_line.h"
#include "viewer/rules/command_table.h"
#include "viewer/window/app_icon.h"

namespace pagora::viewer {
namespace {

// How long the rest of a book waits for its first page at most: a page that
// keeps loading (a picture from the web) does not keep the book unwritten.
constexpr std::chrono::milliseconds kLongestWritingHold{3000};
// What of the rest is written while GTK, the engine and the first page start,
// before the hold: a book of this size is then whole long before its first
// page shows, and a larger one costs that page no more than this one does.
constexpr WriteAllowance kWrittenBeforeFirstPage{.files = 1000, .bytes = 32 << 20};

// The desktop's token for this start: xdg-activation's, else the startup
// notification's. Taken out of the environment before GTK starts, or GTK
// would spend it on the first window of this process, which for a refused
// start is only its message box, while the token belongs to the window of
// the viewer that runs.
std::string takeActivationToken() {
  std::string token;
  for (const char* name : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
    const char* value = g_getenv(name);
    if (token.empty() && value != nullptr) token = value;
    g_unsetenv(name);
  }
  return token;
}

std::string programName(const char* argv0) {
  g_autofree char* base = g_path_get_basename(argv0 != nullptr ? argv0 : "pagora");
  return base;
}

}  // namespace

Application::~Application() {
  window_.reset();
  if (!host_) return;
  // The engine's network process may still be starting when a window closes
  // early, and would then make the private folder again to write its data:
  // the engine is let go and its processes ended before the last clean-up.
  host_.reset();
  endEngineProcesses();
  session_->removeAll();
}

int Application::run(int argc, char** argv) {
  const std::string program = programName(argc > 0 ? argv[0] : nullptr);
  // --help and --version work without a display, so they come before GTK.
  const CommandLine early = parseCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
  if (early.action == CommandLine::Action::ShowHelp) {
    std::fputs(usageText(program).c_str(), stdout);
    return 0;
  }
  if (early.action == CommandLine::Action::ShowVersion) {
    std::printf("%s %s\n", program.c_str(), PAGORA_VERSION);
    return 0;
  }

  activationToken_ = takeActivationToken();
  const std::string name(kApplicationName);
  g_set_prgname(name.c_str());
  // GTK's own options are taken now; the display is opened later, while the
  // book is read.
  {
    const glib::GlChoice gl;
    gtk_parse_args(&argc, &argv);
    if (gl.glLeftAlone()) glib::quietenTheEngineAboutGl();
  }
  // Whatever GTK's own options left over is the viewer's command line.
  const CommandLine commandLine = parseCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
  if (commandLine.action == CommandLine::Action::Refuse) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program.c_str(),
                 commandLine.error.c_str(), program.c_str());
    return 2;
  }
  return start(program, commandLine.document);
}

bool Application::openDisplay(const std::string& program) {
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "%s: cannot open the display\n", program.c_str());
    return false;
  }
  installApplicationIcon();
  // Top-level windows carry the guard's name as their class.
  gdk_set_program_class(guard_.windowClassName().c_str());
  return true;
}

int Application::start(const std::string& program, const std::string& document) {
  // Nothing up to the end of the load needs the display: the guard comes
  // first, the sandbox probe, the watcher and the load run while GTK opens it.
  if (!guard_.check(activationToken_)) {
    if (!openDisplay(program)) return 1;
    messageBoxes_.show({kAlreadyRunningNotice, NoticeIcon::Information});
    return 1;
  }
  sandboxProbe_ = std::make_unique<SandboxProbe>();
  installSignalHandlers();
  // The watcher starts before anything is written: a viewer that dies still
  // has its files removed.
  SessionOptions options;
  options.watchForCrash = true;
  options.watcherLockFolder = platform::instanceFolder();
  options.sandboxRuntimeFolder = g_get_user_runtime_dir() + std::string("/");
  // Read here: GTK may change the environment while it starts.
  options.temporaryDirectory = platform::tempDirectory();
  // The book is read and its start page written while GTK opens the display:
  // neither needs the other, and opening the display is mostly waiting.
  std::future<LoadOutcome> loading = std::async(std::launch::async, [this, options = std::move(options)]() mutable {
    session_ = std::make_unique<BookSession>(std::move(options));
    LoadOutcome outcome = session_->load(nullptr, LoadWrites::StartPageFirst);
    // The rest follows at once, then waits for the first page (the view lets
    // it go on then).
    session_->holdBackWriting(kLongestWritingHold, kWrittenBeforeFirstPage);
    // Heard on the writing thread; told on the main loop's, once it runs.
    session_->writeRemainingFiles(
        {.finished = {}, .failed = [this] { glib::runInMainLoop([this] { onWritingFailed(); }); }});
    return outcome;
  });
  const bool displayOpened = openDisplay(program);
  // Every message of the load is shown before the window exists.
  const LoadOutcome outcome = loading.get();
  if (session_->whenAllWritten(reportAllFilesWritten, BookWriter::Urgency::InTurn)) reportAllFilesWritten();
  if (!displayOpened) return 1;

  // A book that could not be read still offers its about page, which needs
  // a folder the engine was allowed to read before it started.
  session_->ensurePrivateFolder();
  // The engine's processes come up while the notices are read and the window
  // is built.
  BrowserHost& engine = startEngine();
  for (const Notice& notice : outcome.notices) messageBoxes_.show(notice);

  window_ = std::make_unique<MainWindow>(engine, *session_, messageBoxes_, dialogs_, [this] { onWindowDestroyed(); });
  const bool created = !closeRequested_ && window_->create();
  if (!created || closeRequested_) {
    window_->destroy();
    if (closeRequested_) return 0;
    messageBoxes_.show({"Failed to create empty document.", NoticeIcon::Warning});
    return 1;
  }
  messageBoxes_.setOwner(window_->window());
  guard_.onPresentRequest([this](const std::string& activationToken) {
    if (window_) window_->present(activationToken);
  });

  if (!document.empty()) {
    errno = 0;
    const platform::File opened = platform::File::openForReading(document);
    if (!opened.isOpen()) {
      const std::string reason = std::strerror(errno);
      messageBoxes_.setOwner(nullptr);
      messageBoxes_.show({"Cannot open the document \"" + document + "\": " + reason + ".", NoticeIcon::Warning});
      window_->destroy();
      return 1;
    }
  }

  window_->show();
  // The desktop's token for this start raises the window and ends the start's
  // busy feedback.
  if (!activationToken_.empty()) window_->present(activationToken_);
  windowShown_ = true;
  // A file that could not be written while the window was made is told now.
  if (writingFailed_) glib::runInMainLoop([this] { onWritingFailed(); });
  if (!closeRequested_) {
    running_ = true;
    gtk_main();
    running_ = false;
  }
  window_->destroy();
  guard_.onPresentRequest(nullptr);
  window_.reset();
  return exitStatus_;
}

void Application::onWritingFailed() {
  // Every message of the load comes before the window, and this one after it.
  writingFailed_ = true;
  if (!windowShown_ || closeRequested_ || !window_ || window_->window() == nullptr) return;
  messageBoxes_.show(BookSession::writingFailureNotice());
  exitStatus_ = 1;
  window_->destroy();
}

BrowserHost& Application::startEngine() {
  const std::string& sandboxFailure = sandboxProbe_->failure();
  if (!sandboxFailure.empty()) {
    std::fprintf(stderr, "pagora: running without the web engine's sandbox: %s\n", sandboxFailure.c_str());
  }
  host_ = std::make_unique<BrowserHost>(messageBoxes_, session_->engineDataFolder(), sandboxFailure.empty());
  // The engine takes no folder to read once it runs.
  host_->allowReading(session_->privateFolderPath());
  host_->startEngine();
  return *host_;
}

void Application::installSignalHandlers() {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) g_unix_signal_add(signal, onTerminationSignal, this);
}

gboolean Application::onTerminationSignal(gpointer self) {
  static_cast<Application*>(self)->requestClose();
  return G_SOURCE_CONTINUE;
}

void Application::requestClose() {
  closeRequested_ = true;
  // Nothing may keep the viewer waiting for a reader who is gone: every
  // dialog is answered and every menu closed. The window goes once their
  // loops have ended; it is destroyed rather than asked to close, since a
  // window takes no close request while a menu or dialog holds the pointer
  // and keyboard.
  dialogs_.dismissAll();
  if (window_ && window_->window() != nullptr) {
    window_->closeMenus();
    g_idle_add(closeWindowWhenIdle, this);
  }
}

gboolean Application::closeWindowWhenIdle(gpointer self) {
  auto* application = static_cast<Application*>(self);
  if (application->window_) application->window_->destroy();
  return G_SOURCE_REMOVE;
}

void Application::onWindowDestroyed() {
  messageBoxes_.setOwner(nullptr);
  if (running_) gtk_main_quit();
}

}  // namespace pagora::viewer
