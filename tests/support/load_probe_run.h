// Books made from pagora-load-probe (a viewer without a window), run as
// processes of their own, and what they report. For the tests where a
// separate process is the point: the book reads its own executable, and
// limits, mounts or a temporary directory apply to that process alone.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/process_runner.h"

namespace pagora::testing {

struct ProbeReport {
  ProcessResult process;
  std::vector<std::string> notices;  // "<icon> <text>", in order
  std::vector<std::string> lateNotices;  // the same, for files written behind the load (--behind)
  std::string title;
  std::string printAllowed;  // "yes" or "no"
  std::string startPagePath;
  std::string privateFolder;
  std::vector<std::string> registeredFiles;    // in removal order
  std::vector<std::string> registeredFolders;  // in the order made
  std::vector<std::string> dumps;              // one per --dump
  std::string cwdBefore;
  std::string cwdAfter;
  std::vector<std::string> left;  // under the temporary directory at the end, relative to it
};

// The probe's executable: books for these tests are appended to a copy of it.
std::string loadProbePath();

// Runs `book` with TMPDIR set to `temporaryDirectory`, then `inChild` in the
// child. Arguments: --keep (the process ends as a killed viewer does, nothing
// removed), --watch (a crash watcher is started), --behind (the rest of the
// book is written behind the load, as the viewer does), --dump NAME.
ProbeReport runLoadProbe(const std::string& book, const std::string& temporaryDirectory,
                         const std::vector<std::string>& arguments = {}, std::function<void()> inChild = {});

}  // namespace pagora::testing
