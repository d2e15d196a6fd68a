#include "contained_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace pagora::robustness {
namespace {

constexpr char kWarning[] = "warning ";
constexpr std::uintmax_t kComparedBytes = 64 * 1024;

// Everything in the workspace except the temporary directory, each small
// regular file with its contents and anything else with its size: the book,
// the tests' own targets, and whatever an escaping write would have made.
std::map<std::string, std::string> outsideTemporaryDirectory(const std::string& workspace) {
  std::map<std::string, std::string> entries;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(workspace, error);
       it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    const std::string relative = it->path().lexically_relative(workspace).string();
    if (relative == "tmp") {
      it.disable_recursion_pending();
      continue;
    }
    std::string summary = "other";
    if (it->is_regular_file(error) && !it->is_symlink(error)) {
      const std::uintmax_t size = it->file_size(error);
      summary = size <= kComparedBytes ? probe::readFile(it->path().string()) : "size " + std::to_string(size);
    }
    entries[relative] = summary;
  }
  return entries;
}

std::vector<std::string> readerTexts(const probe::Report& report) {
  std::vector<std::string> texts;
  for (const std::string& notice : report.notices) {
    if (notice.rfind(kWarning, 0) == 0) {
      texts.push_back(notice.substr(sizeof kWarning - 1));
    } else {
      ADD_FAILURE() << "not a warning: " << notice;
      texts.push_back(notice);
    }
  }
  return texts;
}

void emptyFolder(const std::string& folder) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::filesystem::remove_all(entry.path(), error);
  }
}

}  // namespace

std::string corrupted(const std::string& message) { return message + "\n\nThis E-Book seems to be corrupted."; }

std::set<std::string> treeOf(const std::string& folder) {
  std::set<std::string> entries;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
       it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    entries.insert(it->path().lexically_relative(folder).string());
  }
  return entries;
}

std::vector<std::string> ContainedRunTest::escapePaths() const {
  std::vector<std::string> paths;
  for (const std::string& folder : {std::string("/"), std::string("/tmp/"), workspace(), workspace() + "books/"}) {
    for (const char* suffix : {"", ".html", ".qvx"}) paths.push_back(folder + kEscapeWord + suffix);
  }
  return paths;
}

ContainedOutcome ContainedRunTest::runContained(const std::string& book, const RunSetup& setup) {
  const auto outsideBefore = outsideTemporaryDirectory(workspace());
  ContainedOutcome outcome;

  emptyFolder(tempDir());
  if (setup.prepare) setup.prepare();
  const std::set<std::string> planted = treeOf(tempDir());
  outcome.keptRun = run(book, {"--keep"}, setup.inChild);
  EXPECT_EQ(outcome.keptRun.exitStatus, 0) << "the load crashed or did not run";
  outcome.notices = readerTexts(outcome.keptRun);
  // The probe's own listing: a run in a mount namespace of its own sees a
  // temporary directory that this process cannot.
  outcome.kept = {outcome.keptRun.left.begin(), outcome.keptRun.left.end()};
  EXPECT_EQ(outsideTemporaryDirectory(workspace()), outsideBefore) << "the load wrote outside the temporary directory";
  EXPECT_EQ(outcome.keptRun.cwdBefore, outcome.keptRun.cwdAfter);

  emptyFolder(tempDir());
  if (setup.prepare) setup.prepare();
  outcome.cleanRun = run(book, {}, setup.inChild);
  EXPECT_EQ(outcome.cleanRun.exitStatus, 0) << "the load crashed or did not run";
  EXPECT_EQ(readerTexts(outcome.cleanRun), outcome.notices) << "the same book said something else the second time";
  const std::set<std::string> left(outcome.cleanRun.left.begin(), outcome.cleanRun.left.end());
  EXPECT_TRUE(std::includes(planted.begin(), planted.end(), left.begin(), left.end()))
      << "left after the clean-up: " << ::testing::PrintToString(outcome.cleanRun.left);
  EXPECT_EQ(outsideTemporaryDirectory(workspace()), outsideBefore) << "the load wrote outside the temporary directory";

  for (const std::string& path : escapePaths()) EXPECT_FALSE(probe::exists(path)) << path;
  return outcome;
}

}  // namespace pagora::robustness
