#include "platform/single_instance_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/scratch_folder.h"

namespace pagora::platform {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnvironment() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class SingleInstanceLockTest : public ::testing::Test {
 protected:
  pagora::testing::ScratchFolder scratch_;
  std::string folder_ = scratch_.folder();
};

TEST_F(SingleInstanceLockTest, FirstHoldsSecondFindsItHeldUntilTheFirstGoes) {
  std::optional<SingleInstanceLock> first = SingleInstanceLock::acquire(folder_, "pagora Class");
  EXPECT_EQ(first->state(), SingleInstanceLock::State::Held);
  EXPECT_EQ(first->socketPath(), folder_ + "pagora Class.sock");
  EXPECT_EQ(SingleInstanceLock::acquire(folder_, "pagora Class").state(), SingleInstanceLock::State::HeldByAnother);
  first.reset();
  EXPECT_EQ(SingleInstanceLock::acquire(folder_, "pagora Class").state(), SingleInstanceLock::State::Held);
}

TEST_F(SingleInstanceLockTest, LockFileIsPrivateToTheUser) {
  const auto lock = SingleInstanceLock::acquire(folder_, "pagora Class");
  struct stat status {};
  ASSERT_EQ(::stat((folder_ + "pagora Class.lock").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600U);
}

TEST_F(SingleInstanceLockTest, LockFileLeftByAnEndedViewerIsReused) {
  { const auto ended = SingleInstanceLock::acquire(folder_, "pagora Class"); }
  ASSERT_TRUE(fs::exists(folder_ + "pagora Class.lock"));
  EXPECT_EQ(SingleInstanceLock::acquire(folder_, "pagora Class").state(), SingleInstanceLock::State::Held);
}

TEST_F(SingleInstanceLockTest, LinkInPlaceOfTheLockFileIsNotFollowed) {
  const std::string target = folder_ + "elsewhere";
  fs::create_symlink(target, folder_ + "pagora Class.lock");
  const auto lock = SingleInstanceLock::acquire(folder_, "pagora Class");
  EXPECT_EQ(lock.state(), SingleInstanceLock::State::Unavailable);
  EXPECT_FALSE(fs::exists(target));
}

TEST_F(SingleInstanceLockTest, MissingOrRelativeFolderIsUnavailable) {
  EXPECT_EQ(SingleInstanceLock::acquire(folder_ + "missing/", "pagora Class").state(),
            SingleInstanceLock::State::Unavailable);
  EXPECT_EQ(SingleInstanceLock::acquire("", "pagora Class").state(), SingleInstanceLock::State::Unavailable);
  EXPECT_EQ(SingleInstanceLock::acquire("relative/", "pagora Class").state(), SingleInstanceLock::State::Unavailable);
}

TEST_F(SingleInstanceLockTest, RuntimeFolderIsUsedWhenPrivate) {
  ::chmod(folder_.c_str(), 0700);
  ScopedEnvironment runtime("XDG_RUNTIME_DIR", folder_.substr(0, folder_.size() - 1));
  EXPECT_EQ(instanceFolder(), folder_);
  ::chmod(folder_.c_str(), 0777);
  EXPECT_EQ(instanceFolder(), "") << "a folder others may write into is not used";
}

TEST_F(SingleInstanceLockTest, WithoutRuntimeFolderAPrivateFolderIsMadeInTheTempDirectory) {
  ScopedEnvironment runtime("XDG_RUNTIME_DIR", std::nullopt);
  ScopedEnvironment temp("TMPDIR", folder_);
  const std::string expected = folder_ + "pagora-" + std::to_string(::geteuid()) + "/";
  EXPECT_EQ(instanceFolder(), expected);
  struct stat status {};
  ASSERT_EQ(::lstat(expected.c_str(), &status), 0);
  EXPECT_TRUE(S_ISDIR(status.st_mode));
  EXPECT_EQ(status.st_mode & 0777, 0700U);
  EXPECT_EQ(instanceFolder(), expected) << "found again on the next start";
}

TEST_F(SingleInstanceLockTest, FolderPlantedByOthersInTheTempDirectoryIsRefused) {
  ScopedEnvironment runtime("XDG_RUNTIME_DIR", std::nullopt);
  ScopedEnvironment temp("TMPDIR", folder_);
  const std::string name = "pagora-" + std::to_string(::geteuid());
  fs::create_directory(folder_ + "real");
  fs::create_directory_symlink(folder_ + "real", folder_ + name);
  EXPECT_EQ(instanceFolder(), "") << "a link is not a folder of ours";
  fs::remove(folder_ + name);
  fs::create_directory(folder_ + name);
  ::chmod((folder_ + name).c_str(), 0777);
  EXPECT_EQ(instanceFolder(), "") << "a folder anyone may write into is not ours";
}

}  // namespace
}  // namespace pagora::platform
