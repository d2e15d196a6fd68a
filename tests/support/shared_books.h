// The real books from Debian packages that lie beside the source tree in
// ../shared/books. A checkout may lack them (tests using them skip), and a
// copy may hold the packages' symbolic links either as links or as small
// plain files naming their targets; tests work with both.
#pragma once

#include <string>
#include <vector>

namespace pagora::testing {

// The folder of the shared books, without a final '/'; empty when it is not
// there. $PAGORA_SHARED_BOOKS names another one, to try a copy of them.
std::string sharedBooksFolder();

// Copies the tree `from` to `to`, links kept as links; the copy's folders are
// writable whatever the source's modes.
void copyTree(const std::string& from, const std::string& to);

// Turns every small plain file of `tree` whose contents name a file beside
// it into a symbolic link to that file, as the package has it; the number of
// links the tree then holds.
int relinkStandIns(const std::string& tree);

// Every regular file below `root`, links followed, relative to it, sorted.
std::vector<std::string> filesBelow(const std::string& root);

}  // namespace pagora::testing
