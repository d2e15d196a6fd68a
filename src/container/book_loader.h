// BookLoader is the process-wide owner of the loaded book. The first call of
// instance() creates it, publishes it, and only then runs the load, so calls
// made by the load itself (the private folder asks for the esbn, the about
// page for the texts) reach the book under load instead of starting another.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "container/book_file_table.h"
#include "container/book_info.h"
#include "container/container_trailer.h"

namespace pagora {

// What the load tells its host while it runs, so that the viewer can bring its
// web engine up while the files are written instead of after.
class LoadListener {
 public:
  virtual ~LoadListener() = default;
  // The private folder is made and verified; no stored file is written yet.
  virtual void extractionStarting(const std::string& privateFolder) = 0;
  // Called after each file written: a moment for the host's own pending work.
  // The load continues when it returns.
  virtual void betweenFiles() = 0;
};

class BookLoader {
 public:
  // The process-wide loader; loads the book from the running executable on
  // the first call. Never freed.
  static BookLoader& instance();

  // The listener the load (started by the first instance()) reports to; null
  // for none. Set it before that first call; it must outlive the load.
  static void setListener(LoadListener* listener);

  BookLoader(const BookLoader&) = delete;
  BookLoader& operator=(const BookLoader&) = delete;

  // Replaces the three records by new empty ones and empties startPagePath.
  void reset();

  // Copies of the header's texts; empty when no header is held.
  std::string esbn() const;
  std::string title() const;
  std::string author() const;
  std::string authorEmail() const;
  std::string webAddress() const;
  std::string publisher() const;
  std::string contentsNotice() const;
  // Non-zero: the book may be printed. 1 when no header is held.
  std::int32_t printAllowed() const;
  // Full path of the page the view shows first; empty until the load chose one.
  std::string startPagePath() const;

  // The records as read (null before reset); for the tools that inspect a book.
  const BookInfo* bookInfo() const { return bookInfo_.get(); }
  const BookFileTable* fileTable() const { return fileTable_.get(); }
  const ContainerTrailer* trailer() const { return trailer_.get(); }

 private:
  BookLoader() = default;
  // Reads the container at the end of the running executable, extracts every
  // stored file into the private folder and chooses the start page.
  void load();

  std::unique_ptr<BookInfo> bookInfo_;
  std::unique_ptr<BookFileTable> fileTable_;
  std::unique_ptr<ContainerTrailer> trailer_;
  std::string startPagePath_;
};

// Whether the stored file `storedName` becomes the start page, given whether
// one was chosen before: "index.html" in any letter case always does (so the
// last one wins), "index.htm" only while none was chosen (so the first one wins).
bool takesStartPage(const std::string& storedName, bool pageChosen);

// Tells the reader that the book cannot be used: the message followed by
// "\n\nThis E-Book seems to be corrupted.", as a warning notice.
void reportCorruptBook(const std::string& message);

}  // namespace pagora
