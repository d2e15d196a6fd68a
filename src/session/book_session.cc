#include "session/book_session.h"

#include <utility>

#include "platform/temp_directory.h"

namespace pagora {
namespace {

// Beside the viewer's own "__about.html"; the engine makes it when it needs it.
constexpr char kEngineDataFolderName[] = "__engine";

ContainerReader readerFor(const std::string& bookPath) {
  return bookPath.empty() ? ContainerReader() : ContainerReader(bookPath);
}

}  // namespace

BookSession::BookSession(SessionOptions options)
    : reader_(readerFor(options.bookPath)),
      folder_(registry_, options.temporaryDirectory.empty() ? platform::tempDirectory() : options.temporaryDirectory),
      loader_(reader_, folder_, registry_) {
  // Before anything is written: a viewer that dies still has its files removed.
  if (options.watchForCrash) {
    watcher_ = CrashWatcher::start(options.watcherLockFolder, options.sandboxRuntimeFolder);
    if (watcher_) registry_.setObserver(watcher_.get());
  }
}

BookSession::~BookSession() {
  if (!removed_) removeAll();
  registry_.setObserver(nullptr);
}

LoadOutcome BookSession::load(LoadListener* listener) {
  loaded_ = true;
  LoadOutcome outcome = loader_.load(listener);
  // The book is read whole; its handle need not stay open while it is shown.
  reader_.close();
  return outcome;
}

bool BookSession::printAllowed() const { return !loaded_ || info().printAllowed != 0; }

BookSession::AboutPage BookSession::buildAboutPage() {
  AboutPage page;
  page.path = loader_.buildAboutPage(page.notices);
  return page;
}

bool BookSession::ensurePrivateFolder() {
  if (!folder_.directory().isOpen()) folder_.make(info().esbn);
  return folder_.directory().isOpen();
}

std::string BookSession::engineDataFolder() {
  // A book that could not be read has nothing to browse: its engine keeps
  // nothing, so that such a book writes nothing but its about page.
  if (!loader_.containerChecked() || !folder_.directory().isOpen()) return {};
  const std::string path = folder_.path() + kEngineDataFolderName + "/";
  registry_.addTree(path);
  return path;
}

void BookSession::removeAll() {
  removed_ = true;
  registry_.removeAll();
}

}  // namespace pagora
