#include "viewer/window/reading_place_keeper.h"

#include <glib.h>

#include <algorithm>

#include "session/book_pages.h"

namespace pagora::viewer {

ReadingPlaceKeeper::ReadingPlaceKeeper(const BookSession& session, ReadingPlaces places)
    : session_(session), places_(std::move(places)) {
  const auto found = places_.find(session_.info().esbn);
  if (!found) return;
  place_ = *found;
  settings_ = reopenSettings(place_);
  if (!place_.page.empty()) pagePath_ = pathOfStoredFile(session_, place_.page);
}

void ReadingPlaceKeeper::remember(const std::string& shownAddress, std::int64_t scrollY,
                                  const ReopenSettings& settings) {
  if (forgotten_ || !places_.enabled() || session_.info().esbn.empty()) return;
  ReadingPlace place;
  g_autofree char* path = g_filename_from_uri(shownAddress.c_str(), nullptr, nullptr);
  if (path != nullptr) place.page = storedNameAt(session_, path);
  place.scrollY = place.page.empty() ? 0 : std::clamp<std::int64_t>(scrollY, 0, kMaxScrollY);
  recordSettings(settings, place);
  places_.remember(session_.info().esbn, place);
}

void ReadingPlaceKeeper::registerCommands(CommandRouter& router) {
  router.add(
      CommandId::ForgetReadingPlaces,
      [this] {
        places_.forgetAll();
        forgotten_ = true;
      },
      [this] { return CommandState{.enabled = places_.enabled(), .checked = false}; });
}

}  // namespace pagora::viewer
