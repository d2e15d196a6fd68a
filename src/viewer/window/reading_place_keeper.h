// ReadingPlaceKeeper: where the reader left this book, read from the record
// of reading places when the window opens and written back when it closes:
// the page by its stored name, the scroll position, the text size, the style
// and the window's size. A page the book no longer has, or a record that
// cannot be read, means the start page, and the reader is never told about
// the record. Books without an esbn are not remembered. File > Forget
// Reading Places empties the record, and this book is not recorded at its
// close either.
#pragma once

#include <cstdint>
#include <string>

#include "session/book_session.h"
#include "session/reading_places.h"
#include "viewer/rules/command_router.h"
#include "viewer/rules/reading_settings.h"

namespace pagora::viewer {

class ReadingPlaceKeeper {
 public:
  // Reads the book's entry of `places`; `session` is loaded and outlives this.
  ReadingPlaceKeeper(const BookSession& session, ReadingPlaces places);

  // The full path of the page the book was left at; empty for the start page.
  const std::string& pagePath() const { return pagePath_; }
  // How far that page was scrolled; 0 with the start page.
  std::int64_t scrollY() const { return pagePath_.empty() ? 0 : place_.scrollY; }
  const ReopenSettings& settings() const { return settings_; }

  // Records the place of the page at `shownAddress` (a file: address; one
  // that is no stored file of the book records the start page).
  void remember(const std::string& shownAddress, std::int64_t scrollY, const ReopenSettings& settings);

  void registerCommands(CommandRouter& router);

 private:
  const BookSession& session_;
  ReadingPlaces places_;
  ReadingPlace place_;
  ReopenSettings settings_;
  std::string pagePath_;
  bool forgotten_ = false;
};

}  // namespace pagora::viewer
