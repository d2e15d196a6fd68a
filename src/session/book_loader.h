// BookLoader: the load of one book. It reads and checks the container, makes
// the private folder, writes every stored file into it, records each in the
// registry and chooses the start page, falling back to the about page. It
// shows nothing: what the reader is to be told comes back as the outcome.
//
// Every check of the container, its names and its positions comes before the
// first file is written. A book that passes them all and has a start page is
// written in the order of its write plan (write_plan.h): the start page and
// what it refers to first. Any other book is written in stored order up to
// the entry that fails, so that it leaves what it always left.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "container/book_validation.h"
#include "container/container_reader.h"
#include "session/book_writer.h"
#include "session/notice.h"
#include "session/private_folder.h"
#include "session/stored_paths.h"
#include "session/temp_file_registry.h"

namespace pagora {

// What the load tells its host while it runs, so that the viewer can bring its
// web engine up while the files are written instead of after.
class LoadListener {
 public:
  virtual ~LoadListener() = default;
  // The private folder is made and verified; no stored file is written yet.
  virtual void extractionStarting(const std::string& privateFolder) = 0;
  // Called after each file the load writes, with its full path: a moment for
  // the host's own pending work. The load continues when it returns.
  virtual void fileWritten(const std::string& path) = 0;
};

// Which files the load writes before it returns.
enum class LoadWrites {
  Everything,
  // The start page and what it refers to; the rest is left to writer().
  StartPageFirst,
};

// The notices of a load, in the order the reader is to see them; none when
// the book opened without complaint. Whatever they say, the viewer goes on.
struct LoadOutcome {
  std::vector<Notice> notices;

  bool succeeded() const { return notices.empty(); }
};

// The notice for a book that cannot be used: the fault's message followed by
// "\n\nThis E-Book seems to be corrupted.", with the warning icon.
Notice corruptBookNotice(BookFault fault);

class BookLoader {
 public:
  // REQUIRES: all three outlive the loader.
  BookLoader(ContainerReader& reader, PrivateFolder& folder, TempFileRegistry& registry);
  BookLoader(const BookLoader&) = delete;
  BookLoader& operator=(const BookLoader&) = delete;

  // Runs the load once; `listener` (may be null) hears of its progress.
  LoadOutcome load(LoadListener* listener, LoadWrites writes = LoadWrites::Everything);

  // What writes the book's files; null before the load reached them. It has
  // ended once they are all written, or one failed.
  BookWriter* writer() const { return writer_.get(); }

  // The records as read, also when a later step failed; empty ones before.
  const ParsedBook& book() const { return book_; }
  const BookInfo& info() const { return book_.info; }
  // Full path of the page the view shows first; empty when none was chosen.
  const std::string& startPagePath() const { return startPagePath_; }
  // Whether the container passed its checks, so that files were to be written.
  bool containerChecked() const { return containerChecked_; }

  // Writes the about page for the book's texts into the private folder
  // (making the folder if it is not made yet) and returns its full path,
  // whether or not that worked; `notices` receives what went wrong.
  std::string buildAboutPage(std::vector<Notice>& notices);

 private:
  // The entry that makes the start page, as the table chooses it: "index.html"
  // in any letter case, the last one; else "index.htm", the first one. -1: none.
  int startEntry() const;

  ContainerReader& reader_;
  PrivateFolder& folder_;
  TempFileRegistry& registry_;
  ParsedBook book_;
  std::unique_ptr<StoredPaths> paths_;
  std::unique_ptr<BookWriter> writer_;
  std::string startPagePath_;
  bool containerChecked_ = false;
};

}  // namespace pagora
