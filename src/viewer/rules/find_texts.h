// What the find bar and the book's search pane say: their accessible names
// and the counts beside them, as a reader reads them ("1 match", "No pages").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pagora::viewer {

inline constexpr std::string_view kFindEntryName = "Find in page";
inline constexpr std::string_view kSearchEntryName = "Search book";
// Shown under the pane's count while pages are still being read into the index.
inline constexpr std::string_view kIndexingNotice = "Still reading the book's pages...";

// The engine counts matches up to a limit: `matches` above `countLimit` reads
// "More than <limit> matches".
std::string matchCountText(std::size_t matches, std::size_t countLimit);

std::string pageCountText(std::size_t pages);

}  // namespace pagora::viewer
