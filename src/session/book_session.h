// BookSession: one open book, for as long as the viewer shows it. It owns
// what the book puts on disk and everything that answers for it: the
// temporary file registry, the private folder, the crash watcher and the
// load. One per viewer process; tests make as many as they like.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "container/container_reader.h"
#include "session/background_writing.h"
#include "session/book_loader.h"
#include "session/book_writer.h"
#include "session/crash_watcher.h"
#include "session/notice.h"
#include "session/private_folder.h"
#include "session/temp_file_registry.h"

namespace pagora {

struct SessionOptions {
  // The book to read; empty for the running executable.
  std::string bookPath;
  // Where the private folder goes, ending in '/'; empty for the user's
  // temporary directory.
  std::string temporaryDirectory;
  // Start a crash watcher before anything is written, holding its lock in this
  // folder (ending in '/'; empty for no lock).
  bool watchForCrash = false;
  std::string watcherLockFolder;
  // When the viewer has ended, the watcher also removes what the web engine's
  // sandbox left in this runtime folder (ending in '/') for instances that are
  // over (platform/ended_sandboxes.h).
  std::string sandboxRuntimeFolder;
};

class BookSession {
 public:
  explicit BookSession(SessionOptions options = {});
  BookSession(const BookSession&) = delete;
  BookSession& operator=(const BookSession&) = delete;
  // Removes what the book put on disk, unless removeAll() has run.
  ~BookSession();

  // Loads the book: see BookLoader. Call once.
  LoadOutcome load(LoadListener* listener = nullptr, LoadWrites writes = LoadWrites::Everything);

  // Writes what the load left on threads of its own (see BackgroundWriting);
  // `events` run on one of them, one of them once. False, and no event
  // follows, when writing has ended already (or never began). When a file
  // cannot be written, writingFailureNotice() says what to tell the reader.
  bool writeRemainingFiles(BackgroundWriting::Events events);
  // Holds the writing of the rest back (see BookWriter::holdBack) while the
  // first page comes up, once `ahead` is written; releaseWriting() lets it go on.
  void holdBackWriting(std::chrono::milliseconds longest, WriteAllowance ahead = {});
  void releaseWriting();
  // Writes the next file the load left, on the caller's thread; false when
  // none is left or one failed.
  bool writeNextFile();
  // The notice for a file that could not be written after the load.
  static Notice writingFailureNotice();
  // See BookWriter::whenWritten and whenAllWritten; true, and nothing more
  // happens, when there is nothing to wait for.
  bool whenWritten(const std::string& fullPath, std::function<void()> ready);
  bool whenAllWritten(std::function<void()> ready, BookWriter::Urgency urgency = BookWriter::Urgency::Now);

  // The book's texts as read (empty ones when nothing could be read).
  const BookInfo& info() const { return loader_.info(); }
  const ParsedBook& book() const { return loader_.book(); }
  // Whether the book may be printed: true when no header could be read.
  bool printAllowed() const;
  // Full path of the page the view shows first; empty when none was chosen.
  const std::string& startPagePath() const { return loader_.startPagePath(); }
  // The private folder's path, ending in '/'; empty until the load makes it.
  const std::string& privateFolderPath() const { return folder_.path(); }

  struct AboutPage {
    std::string path;             // full path, whether or not it was written
    std::vector<Notice> notices;  // what went wrong, in order
  };
  // Writes "__about.html" afresh from the book's texts.
  AboutPage buildAboutPage();

  // Makes the private folder if the load did not (a book that could not be
  // read), so that the about page has somewhere to go; true when it is made.
  // A failure says nothing here: the about page will say it.
  bool ensurePrivateFolder();

  // The folder inside the private folder where the web engine keeps its own
  // data, recorded to go with everything in it; empty without a private
  // folder or a book that could be read.
  std::string engineDataFolder();

  // Stops any writing, then deletes every recorded tree and file, then every
  // recorded folder innermost first.
  void removeAll();

  const TempFileRegistry& registry() const { return registry_; }
  // The crash watcher, when one runs.
  const CrashWatcher* crashWatcher() const { return watcher_.get(); }

 private:
  TempFileRegistry registry_;
  std::unique_ptr<CrashWatcher> watcher_;
  ContainerReader reader_;
  PrivateFolder folder_;
  BookLoader loader_;
  std::unique_ptr<BackgroundWriting> writing_;
  bool loaded_ = false;
  bool removed_ = false;
};

}  // namespace pagora
