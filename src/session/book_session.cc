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

LoadOutcome BookSession::load(LoadListener* listener, LoadWrites writes) {
  loaded_ = true;
  LoadOutcome outcome = loader_.load(listener, writes);
  // With nothing left to write, the book's handle need not stay open while
  // it is shown; otherwise the writer closes it when it is done.
  if (loader_.writer() == nullptr || loader_.writer()->ended()) reader_.close();
  return outcome;
}

bool BookSession::writeRemainingFiles(BackgroundWriting::Events events) {
  BookWriter* writer = loader_.writer();
  if (writer == nullptr || writer->ended() || writing_ || removed_) return false;
  writing_ = std::make_unique<BackgroundWriting>(*writer, std::move(events));
  return true;
}

void BookSession::holdBackWriting(std::chrono::milliseconds longest, WriteAllowance ahead) {
  if (BookWriter* writer = loader_.writer()) writer->holdBack(longest, ahead);
}

void BookSession::releaseWriting() {
  if (BookWriter* writer = loader_.writer()) writer->release();
}

bool BookSession::writeNextFile() {
  BookWriter* writer = loader_.writer();
  return writer != nullptr && !removed_ && writer->writeNext().step == BookWriter::Step::Wrote;
}

Notice BookSession::writingFailureNotice() { return {kFolderFailureNotice, NoticeIcon::Warning}; }

bool BookSession::whenWritten(const std::string& fullPath, std::function<void()> ready) {
  BookWriter* writer = loader_.writer();
  return writer == nullptr || writer->whenWritten(fullPath, std::move(ready));
}

bool BookSession::whenAllWritten(std::function<void()> ready, BookWriter::Urgency urgency) {
  BookWriter* writer = loader_.writer();
  return writer == nullptr || writer->whenAllWritten(std::move(ready), urgency);
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
  // Nothing may be written once the clean-up has begun.
  if (writing_) writing_->stop();
  removed_ = true;
  registry_.removeAll();
}

}  // namespace pagora
