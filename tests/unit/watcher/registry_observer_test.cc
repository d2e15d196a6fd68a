// The registry tells its observer of each path as it is recorded (files once,
// folders every time, as they are kept) and that removeAll has run, after the
// removal, so the watcher's copy of the record always matches the registry's.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "app/temp_file_registry.h"
#include "support/scratch_folder.h"

namespace pagora::testing {
namespace {

class RecordingObserver : public TempFileRegistry::Observer {
 public:
  explicit RecordingObserver(std::vector<std::string>& events) : events_(events) {}
  void folderRecorded(const std::string& path) override { events_.push_back("folder " + path); }
  void fileRecorded(const std::string& path) override { events_.push_back("file " + path); }
  void allRemoved() override { events_.push_back("removed"); }

 private:
  std::vector<std::string>& events_;
};

TEST(RegistryObserver, HearsEachRecordAndTheRemovalAfterItIsDone) {
  ScratchFolder scratch;
  const std::string folder = scratch / "book.qvx";
  const std::string file = folder + "/index.html";
  writeFile(file, "x");
  std::vector<std::string> events;
  TempFileRegistry& registry = TempFileRegistry::instance();
  registry.setObserver(std::make_unique<RecordingObserver>(events));

  registry.addFolder(folder);
  registry.addFile(file);
  registry.addFile(file);      // already recorded: not told again
  registry.addFolder(folder);  // folders are kept as often as added
  EXPECT_EQ(events, (std::vector<std::string>{"folder " + folder, "file " + file, "folder " + folder}));

  registry.removeAll();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events.back(), "removed");
  struct stat info;
  EXPECT_NE(::lstat(folder.c_str(), &info), 0) << "told before the removal was done";
  registry.setObserver(nullptr);
}

}  // namespace
}  // namespace pagora::testing
