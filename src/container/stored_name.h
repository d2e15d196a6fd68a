// Stored names: both '\\' (as books from the original platform store them)
// and '/' separate folders. A name is safe when writing it inside a folder
// cannot leave that folder.
#pragma once

#include <string>
#include <vector>

namespace pagora {

// False for a name that is empty, absolute, has a drive prefix ("C:"), holds
// a NUL byte, or has an empty, "." or ".." segment.
bool isSafeStoredName(const std::string& name);

// The name with every '\\' turned into '/', for use relative to a folder.
std::string storedNameToRelativePath(const std::string& name);

// The folders a safe name needs, outermost first, each relative and ending
// in '/': "a\\b\\c.png" gives "a/", "a/b/".
std::vector<std::string> parentFoldersOf(const std::string& name);

}  // namespace pagora
