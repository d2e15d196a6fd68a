// Books made from pagora-load-probe, and what the probe reports when one runs.
// Each test gets its own workspace: a folder for books and a temporary
// directory that the probe sees as TMPDIR, removed when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "container/book_file_table.h"
#include "container/book_info.h"
#include "container/container_writer.h"

namespace pagora::probe {

struct Report {
  int exitStatus = -1;
  std::vector<std::string> notices;  // "<icon> <text>"
  std::string title;
  std::string esbn;
  std::string printAllowed;
  std::string sameInstance;
  std::string startPagePath;
  std::string privateFolder;
  std::vector<std::string> registeredFiles;    // removal order
  std::vector<std::string> registeredFolders;  // order made
  std::vector<std::string> aboutPaths;
  std::vector<std::string> dumps;
  std::string cwdBefore;
  std::string cwdAfter;
  std::vector<std::string> left;  // relative to the temporary directory
  std::vector<std::string> listenerEvents;  // with --listen
};

// A stored file given by its bytes.
BookSource storedFile(std::string name, std::string contents);

// "warning " + message + the corrupted-book line, as the load reports it.
std::string corruptBookNotice(const std::string& message);

// Lets a test damage what the writer is about to store.
using Tamper = std::function<void(BookInfo& info, std::vector<BookFileEntry>& entries)>;

// Runs in the forked child just before the book is executed, after TMPDIR is
// set (so it may change it): limits, mounts, signal dispositions. A setup
// that fails writes why to stderr and calls _exit(126).
using ChildSetup = std::function<void()>;

class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A well-formed book holding `files`, its fileCount set to their number.
  std::string makeBook(const BookInfo& info, const std::vector<BookSource>& files);
  // A book whose header and file table pass through `tamper` before they are
  // written: counts, offsets, sizes and names can be anything.
  std::string makeTamperedBook(BookInfo info, const std::vector<BookSource>& files, const Tamper& tamper);
  // The probe itself, with no container.
  std::string plainProbe();

  // Runs the book with TMPDIR set to tempDir(), then `inChild` if given.
  Report run(const std::string& book, const std::vector<std::string>& arguments = {},
             const ChildSetup& inChild = {});

  const std::string& tempDir() const { return tempDir_; }  // ends in '/'
  const std::string& workspace() const { return workspace_; }

 private:
  std::string nextBookPath();

  std::string workspace_;
  std::string tempDir_;
  int books_ = 0;
};

// Whether the path exists (a dangling link counts).
bool exists(const std::string& path);
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& contents);
unsigned modeOf(const std::string& path);

}  // namespace pagora::probe
