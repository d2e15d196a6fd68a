// Loads that must stay inside their private folder. A workspace holds the
// books, the temporary directory the load is given and an outside folder
// with a file that must stay untouched; a contained load records what the
// reader is told and exactly what is under the temporary directory before
// the clean-up, then checks that the clean-up leaves nothing but what the
// test planted, that nothing outside the temporary directory changed, that
// the current directory stayed, and that nothing appeared where names that
// try to leave aim. In this process through a BookSession, or in a process
// of its own through the load probe where limits or mounts must apply to
// the load alone.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "session/notice.h"
#include "support/scratch_folder.h"

namespace pagora::testing {

// Stored names and esbns that try to leave the private folder say this word,
// so that what they might have written can be looked for.
inline constexpr char kEscapeWord[] = "pagora-escape";

class LoadWorkspace {
 public:
  LoadWorkspace();

  // Each ends in '/'.
  std::string temp() const { return scratch_ / "tmp/"; }
  std::string outside() const { return scratch_ / "outside/"; }
  std::string book(const std::string& name) const { return scratch_ / ("books/" + name); }
  const std::string& root() const { return scratch_.path(); }

  void emptyTemp() const;
  // Everything but the temporary directory: each small file with its
  // contents, anything else with its size or kind.
  std::map<std::string, std::string> outsideSnapshot() const;
  // Absolute paths that escaping names would reach.
  std::vector<std::string> escapePaths() const;

 private:
  ScratchFolder scratch_;
};

struct ContainedLoad {
  std::vector<Notice> notices;
  std::vector<Notice> lateNotices;  // of files written behind the load, when the probe was asked to
  std::set<std::string> kept;  // under the temporary directory before the clean-up
  std::string startPagePath;
  std::string privateFolder;
  std::vector<std::string> registeredFiles;    // in removal order
  std::vector<std::string> registeredFolders;  // in the order made
};

// Loads `book` with a session on the workspace's temporary directory, after
// emptying it and running `plant`.
ContainedLoad loadContained(const LoadWorkspace& workspace, const std::string& book,
                            const std::function<void()>& plant = {});

// The same through the load probe (a copy of which `book` must be), twice:
// once ending without its clean-up, to see what it kept, and once with it.
// `inChild` runs in each probe's process before the load; `arguments` go to
// both probes.
ContainedLoad probeContained(const LoadWorkspace& workspace, const std::string& book,
                             const std::function<void()>& plant = {}, const std::function<void()>& inChild = {},
                             const std::vector<std::string>& arguments = {});

// The reader's message for a book that cannot be used, as the load shows it.
std::string corrupted(const std::string& message);

}  // namespace pagora::testing
