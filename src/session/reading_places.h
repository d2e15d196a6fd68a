// ReadingPlaces: where the reader left off in each book, one entry per esbn,
// in one file of the reader's own: "reading-places" in $XDG_STATE_HOME/pagora/
// (by default ~/.local/state/pagora/). It is the one file the viewer writes
// outside the private folder. The folder is 0700 and private to the reader,
// the file 0600 and always replaced whole (written under a temporary name,
// then renamed), so nobody ever reads half a record. At most kMaxBooks books
// are kept: the least recently closed go first. Nothing here tells the reader
// anything: a record that cannot be read is no record, one that cannot be
// written is not written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/directory.h"
#include "session/reading_place_record.h"

namespace pagora {

// Where the record's folder goes: `below` (relative, ending in "pagora") is
// made as needed inside `existing`, which is never made.
struct StateLocation {
  std::string existing;
  std::string below;

  bool operator==(const StateLocation&) const = default;
};

// The location for the environment's values (null when a variable is unset).
// None when PAGORA_NO_STATE is set to anything but "" or "0", or when neither
// XDG_STATE_HOME nor HOME is an absolute path (a relative XDG_STATE_HOME is
// ignored, as the XDG base directories say).
std::optional<StateLocation> readingPlacesLocation(const char* noState, const char* stateHome, const char* home);
// The same for this process's environment.
std::optional<StateLocation> readingPlacesLocationFromEnvironment();

class ReadingPlaces {
 public:
  static constexpr std::size_t kMaxBooks = 500;
  // A longer file is not a record this viewer wrote: it is not read.
  static constexpr std::int64_t kMaxRecordBytes = 4 << 20;
  static constexpr const char* kFileName = "reading-places";

  // Without a location remembering is off: nothing is read or written.
  explicit ReadingPlaces(std::optional<StateLocation> location) : location_(std::move(location)) {}

  bool enabled() const { return location_.has_value(); }

  // The place recorded for `esbn`; none for an empty esbn or when the record
  // is missing, cannot be read or has no entry for it.
  std::optional<ReadingPlace> find(const std::string& esbn) const;
  // Every entry of the record, oldest first.
  std::vector<ReadingPlaceEntry> entries() const;

  // Records `place` as the newest entry of `esbn`, replacing its older one
  // and dropping the oldest beyond kMaxBooks. False when nothing was written
  // (remembering is off, the esbn is empty, the folder or file cannot be
  // written); the record is then as it was.
  bool remember(const std::string& esbn, const ReadingPlace& place);

  // Removes the record; true when there is none afterwards.
  bool forgetAll();

 private:
  // The record's folder, verified private; made when `make` is set.
  platform::Directory openFolder(bool make) const;
  std::vector<ReadingPlaceEntry> read(const platform::Directory& folder) const;

  std::optional<StateLocation> location_;
};

}  // namespace pagora
