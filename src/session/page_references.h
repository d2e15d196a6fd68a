// What a page or a style sheet has the engine fetch as soon as it is shown:
// its style sheets, scripts, pictures, frames, objects and fonts. Found by a
// cheap scan of the text (tags and their attributes, style blocks and
// attributes, url() and @import), not a full parse; links the reader may
// follow (<a href>) are not among them. The load writes what the scan finds
// before the page is shown, so an address the scan misses (one a script
// makes up) may be written a moment after the page asked for it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pagora {

enum class ReferringText { Page, StyleSheet };

// How a stored file is scanned, by the ending of its name (".html", ".htm",
// ".xhtml", ".css" in any letter case); nullopt for anything else.
std::optional<ReferringText> referringTextOf(std::string_view name);

// The addresses `text` refers to, as written (entities in attribute values
// decoded), in the order they appear.
std::vector<std::string> scanReferences(std::string_view text, ReferringText kind);

// The relative path ('/' between folders) of the stored file that `address`,
// found in the stored file at relative path `from`, names: resolved against
// the folder of `from`, without its query or fragment, percent-decoded, with
// '\\' as '/', "." and ".." applied. Empty when it names no stored file:
// another scheme, an absolute path, a path that climbs above the book, the
// page itself by a fragment alone.
std::string resolveStoredReference(std::string_view from, std::string_view address);

}  // namespace pagora
