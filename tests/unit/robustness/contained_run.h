// Runs a book through the load probe twice and checks what it may touch: once
// keeping what the load wrote, to see exactly what exists under the temporary
// directory afterwards, and once with the clean-up, which must leave that
// directory empty. Nothing may change anywhere else in the test's workspace,
// and nothing may appear at the escape paths hostile names aim at.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "support/probe_book.h"

namespace pagora::robustness {

// Stored names and esbns that try to leave the private folder say this word,
// so that what they might have written can be looked for.
inline constexpr char kEscapeWord[] = "pagora-escape";

// What the reader sees for a load message: the message and the corrupted-book line.
std::string corrupted(const std::string& message);

inline const std::string kSelfParseFailed = corrupted("Self Parse Failed");
inline const std::string kNoFiles = corrupted("No files in E-Book!");
inline const std::string kFileCountsDiffer = corrupted("File Counts do not match!");
inline const std::string kExtractionFailed =
    corrupted("Error parsing content of E-Book.  Out of disk space, file handles or file corrupted.");
inline const std::string kIndexNotFound = corrupted("Index file not found!");
inline const std::string kFolderFailed = "Not enough disk space or other file error!";
inline const std::string kDiskError = "Disk error - out of space ?";

// Every entry below `folder`, relative to it, never following links; empty
// when the folder does not exist.
std::set<std::string> treeOf(const std::string& folder);

struct ContainedOutcome {
  std::vector<std::string> notices;  // as the reader sees them: warning texts only
  // Everything under the temporary directory, as the viewer saw it, when the
  // clean-up is skipped.
  std::set<std::string> kept;
  probe::Report keptRun;
  probe::Report cleanRun;
};

// How each of the two runs is set up.
struct RunSetup {
  // Before each run, with the temporary directory emptied: plants what the
  // test wants there.
  std::function<void()> prepare;
  // In each run's process, before the book starts.
  probe::ChildSetup inChild;
};

class ContainedRunTest : public probe::ProbeTest {
 protected:
  // Runs `book` as described above. Fails the test when a run crashes, the two
  // runs disagree, the clean-up leaves anything the test did not plant, or
  // anything outside the temporary directory changed.
  ContainedOutcome runContained(const std::string& book, const RunSetup& setup = {});

  // The escape paths, absolute, that must never exist.
  std::vector<std::string> escapePaths() const;
};

}  // namespace pagora::robustness
