// The order in which a book's stored files are written, so that what the
// reader sees first is on disk first: the start page, then what it has the
// engine fetch with it (its style sheets, scripts, pictures and frames, and
// theirs: see page_references.h), then every other file in stored order.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "session/stored_paths.h"

namespace pagora {

// Reads the text of entry `index` for a scan: at most `limit` bytes of it
// from its start. False when it cannot be read; the scan then skips it.
using StoredTextReader = std::function<bool(int index, std::size_t limit, std::string& text)>;

// The most of one page or style sheet that is scanned, and of all of them for
// one page: enough for any page a reader is shown, and the load's memory
// stays independent of the book.
inline constexpr std::size_t kScannedTextLimit = 1 << 20;
inline constexpr std::size_t kScannedTotalLimit = 4 << 20;

// The entries the stored file at `relativePath` needs before the engine shows
// it: every entry written to that path, then those at the paths it refers to,
// in the order found, following frames and style sheets two levels down.
// Empty when no entry is written there.
std::vector<int> entriesNeededBy(const std::string& relativePath, const StoredPaths& paths,
                                 const StoredTextReader& read);

struct WritePlan {
  std::vector<int> order;     // every entry once
  std::size_t firstPart = 0;  // the leading entries that the start page needs
};

// The plan for a book whose start page is entry `startEntry`.
WritePlan planWrites(int startEntry, const StoredPaths& paths, const StoredTextReader& read);

}  // namespace pagora
