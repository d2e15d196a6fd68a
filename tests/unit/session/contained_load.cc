#include "contained_load.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "container/load_messages.h"
#include "session/book_session.h"
#include "support/load_probe_run.h"
#include "support/printers.h"

namespace pagora::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kComparedBytes = 64 * 1024;

std::string currentDirectory() {
  std::error_code error;
  return fs::current_path(error).string();
}

Notice probeNotice(const std::string& line) {
  const std::size_t space = line.find(' ');
  const std::string icon = line.substr(0, space);
  const std::string text = space == std::string::npos ? "" : line.substr(space + 1);
  if (icon == "warning") return {text, NoticeIcon::Warning};
  if (icon == "error") return {text, NoticeIcon::Error};
  if (icon == "information") return {text, NoticeIcon::Information};
  ADD_FAILURE() << "not a notice: " << line;
  return {line, NoticeIcon::Warning};
}

// What every contained load must keep to.
void expectContained(const LoadWorkspace& workspace, const std::map<std::string, std::string>& outsideBefore,
                     const std::set<std::string>& planted, const std::set<std::string>& left) {
  EXPECT_TRUE(std::includes(planted.begin(), planted.end(), left.begin(), left.end()))
      << "left after the clean-up: " << ::testing::PrintToString(left);
  EXPECT_EQ(workspace.outsideSnapshot(), outsideBefore) << "the load wrote outside the temporary directory";
  for (const std::string& path : workspace.escapePaths()) EXPECT_FALSE(exists(path)) << path;
}

}  // namespace

LoadWorkspace::LoadWorkspace() {
  for (const char* folder : {"books", "tmp", "outside"}) ::mkdir((scratch_ / folder).c_str(), 0700);
  writeFile(outside() + "victim.html", "not the book's");
}

void LoadWorkspace::emptyTemp() const {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(temp(), error)) {
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, error);
    fs::remove_all(entry.path(), error);
  }
}

std::map<std::string, std::string> LoadWorkspace::outsideSnapshot() const {
  std::map<std::string, std::string> entries;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root(), error); it != fs::recursive_directory_iterator();
       it.increment(error)) {
    const std::string relative = it->path().lexically_relative(root()).string();
    if (relative == "tmp") {
      it.disable_recursion_pending();
      continue;
    }
    std::string summary = it->is_symlink(error) ? "link" : it->is_directory(error) ? "folder" : "other";
    if (it->is_regular_file(error) && !it->is_symlink(error)) {
      const std::uintmax_t size = it->file_size(error);
      summary = size <= kComparedBytes ? readFile(it->path().string()) : "size " + std::to_string(size);
    }
    entries[relative] = summary;
  }
  return entries;
}

std::vector<std::string> LoadWorkspace::escapePaths() const {
  std::vector<std::string> paths;
  for (const std::string& folder : {std::string("/"), std::string("/tmp/"), root() + "/", root() + "/books/"}) {
    for (const char* suffix : {"", ".html", ".qvx"}) paths.push_back(folder + kEscapeWord + suffix);
  }
  return paths;
}

ContainedLoad loadContained(const LoadWorkspace& workspace, const std::string& book,
                            const std::function<void()>& plant) {
  const auto outsideBefore = workspace.outsideSnapshot();
  workspace.emptyTemp();
  if (plant) plant();
  const std::set<std::string> planted = treeOf(workspace.temp());
  const std::string cwd = currentDirectory();

  ContainedLoad load;
  {
    BookSession session({.bookPath = book, .temporaryDirectory = workspace.temp(), .watchForCrash = false,
                         .watcherLockFolder = {}, .sandboxRuntimeFolder = {}});
    load.notices = session.load().notices;
    load.kept = treeOf(workspace.temp());
    load.startPagePath = session.startPagePath();
    load.privateFolder = session.privateFolderPath();
    load.registeredFiles = session.registry().filesInRemovalOrder();
    load.registeredFolders = session.registry().createdFolders();
    EXPECT_EQ(workspace.outsideSnapshot(), outsideBefore) << "the load wrote outside the temporary directory";
  }
  EXPECT_EQ(currentDirectory(), cwd);
  expectContained(workspace, outsideBefore, planted, treeOf(workspace.temp()));
  return load;
}

ContainedLoad probeContained(const LoadWorkspace& workspace, const std::string& book,
                             const std::function<void()>& plant, const std::function<void()>& inChild,
                             const std::vector<std::string>& arguments) {
  std::vector<std::string> keeping = arguments;
  keeping.push_back("--keep");
  const auto outsideBefore = workspace.outsideSnapshot();
  ContainedLoad load;

  workspace.emptyTemp();
  if (plant) plant();
  const std::set<std::string> planted = treeOf(workspace.temp());
  const ProbeReport kept = runLoadProbe(book, workspace.temp(), keeping, inChild);
  EXPECT_TRUE(kept.process.exitedWith(0)) << describeEnd(kept.process) << ": " << kept.process.err;
  EXPECT_EQ(kept.cwdBefore, kept.cwdAfter);
  for (const std::string& line : kept.notices) load.notices.push_back(probeNotice(line));
  for (const std::string& line : kept.lateNotices) load.lateNotices.push_back(probeNotice(line));
  // The probe's own listing: a probe in a mount namespace of its own sees a
  // temporary directory that this process cannot.
  load.kept = {kept.left.begin(), kept.left.end()};
  load.startPagePath = kept.startPagePath;
  load.privateFolder = kept.privateFolder;
  load.registeredFiles = kept.registeredFiles;
  load.registeredFolders = kept.registeredFolders;
  EXPECT_EQ(workspace.outsideSnapshot(), outsideBefore) << "the load wrote outside the temporary directory";

  workspace.emptyTemp();
  if (plant) plant();
  const ProbeReport cleaned = runLoadProbe(book, workspace.temp(), arguments, inChild);
  EXPECT_TRUE(cleaned.process.exitedWith(0)) << describeEnd(cleaned.process) << ": " << cleaned.process.err;
  EXPECT_EQ(cleaned.notices, kept.notices) << "the same book said something else the second time";
  EXPECT_EQ(cleaned.lateNotices, kept.lateNotices) << "the same book said something else the second time";
  EXPECT_EQ(cleaned.cwdBefore, cleaned.cwdAfter);
  expectContained(workspace, outsideBefore, planted, {cleaned.left.begin(), cleaned.left.end()});
  return load;
}

std::string corrupted(const std::string& message) { return message + load_message::kCorruptBookLine; }

}  // namespace pagora::testing
