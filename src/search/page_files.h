// Which stored files are pages, and reading one whole from disk.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pagora::search {

// A stored file named *.htm, *.html or *.xhtml, in any case.
bool isPageName(std::string_view storedName);

// The whole file, or nothing when it cannot be opened or read (errno says
// why).
std::optional<std::string> readWholeFile(const std::string& path);

}  // namespace pagora::search
