#include "app/application.h"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/command_line.h"
#include "app/crash_watcher.h"
#include "app/engine_warmup.h"
#include "app/host_policy.h"
#include "container/book_loader.h"
#include "platform/file.h"
#include "platform/notice.h"
#include "resources/command_table.h"
#include "ui/app_icon.h"
#include "ui/main_frame.h"

namespace pagora::app {
namespace {

std::string programName(const char* argv0) {
  g_autofree char* base = g_path_get_basename(argv0 != nullptr ? argv0 : "pagora");
  return base;
}

}  // namespace

CPagoraApp::CPagoraApp() = default;

CPagoraApp::~CPagoraApp() {
  frame_.reset();
  platform::installNoticeSink(nullptr);
}

int CPagoraApp::Run(int argc, char** argv) {
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

  const std::string name(resources::kApplicationName);
  g_set_prgname(name.c_str());
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "%s: cannot open the display\n", program.c_str());
    return 1;
  }
  ui::installApplicationIcon();
  // Whatever GTK's own options left over is the viewer's command line.
  const CommandLine commandLine = parseCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
  if (commandLine.action == CommandLine::Action::Refuse) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program.c_str(),
                 commandLine.error.c_str(), program.c_str());
    return 2;
  }
  return InitInstance(commandLine.document);
}

int CPagoraApp::InitInstance(const std::string& document) {
  platform::installNoticeSink(&messageBoxes_);
  if (!m_guard.Check()) {
    platform::showNotice(kAlreadyRunningNotice, platform::NoticeIcon::Information);
    return 1;
  }
  // Before anything is written: a viewer that dies still has its files removed.
  TempFileRegistry::instance().setObserver(CrashWatcher::start(platform::instanceFolder()));
  // Top-level windows carry the guard's name as their class.
  gdk_set_program_class(m_guard.GetWindowClassName().c_str());
  installSignalHandlers();

  BrowserHost host;
  EngineWarmup warmup(host);
  frame_ = std::make_unique<ui::CMainFrame>(host, [this] { onFrameDestroyed(); });
  // The frame's creation runs the load, which reports to the warm-up.
  BookLoader::setListener(&warmup);
  const bool created = frame_->Create();
  BookLoader::setListener(nullptr);
  if (!created || closeRequested_) {
    frame_->destroy();
    if (closeRequested_) return 0;
    platform::showNotice("Failed to create empty document.", platform::NoticeIcon::Warning);
    return 1;
  }
  messageBoxes_.setOwner(frame_->window());
  m_guard.onPresentRequest([this] {
    if (frame_) frame_->present();
  });

  if (!document.empty()) {
    errno = 0;
    const platform::File opened = platform::File::openForReading(document);
    if (!opened.isOpen()) {
      const std::string reason = std::strerror(errno);
      messageBoxes_.setOwner(nullptr);
      platform::showNotice("Cannot open the document \"" + document + "\": " + reason + ".",
                           platform::NoticeIcon::Warning);
      frame_->destroy();
      return 1;
    }
  }

  frame_->show();
  if (!closeRequested_) {
    running_ = true;
    gtk_main();
    running_ = false;
  }
  frame_->destroy();
  m_guard.onPresentRequest(nullptr);
  frame_.reset();
  return 0;
}

void CPagoraApp::installSignalHandlers() {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) g_unix_signal_add(signal, onTerminationSignal, this);
}

gboolean CPagoraApp::onTerminationSignal(gpointer self) {
  static_cast<CPagoraApp*>(self)->requestClose();
  return G_SOURCE_CONTINUE;
}

void CPagoraApp::requestClose() {
  closeRequested_ = true;
  // No box may keep the viewer waiting for a reader who is gone.
  messageBoxes_.dismissAll();
  if (frame_ && frame_->window() != nullptr) frame_->close();
}

void CPagoraApp::onFrameDestroyed() {
  messageBoxes_.setOwner(nullptr);
  if (running_) gtk_main_quit();
}

}  // namespace pagora::app
