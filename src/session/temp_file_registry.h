// TempFileRegistry records every folder the viewer made and every file it
// wrote, so that all of them are removed when the main window goes away. One
// per book session, which is one per viewer process.
// Files are removed bucket by bucket (17 buckets, newest first in each), then
// folders from the last made to the first; "already registered?" is answered
// in constant time so that a book of many files loads in linear time.
// Safe to use from several threads: the files of a book are written on a
// thread of their own while the viewer writes its about page; the observer
// hears of each path under the registry's lock, one at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace pagora {

// The written-file record: each path once, kept in 17 chained buckets chosen
// by TempFileRegistry::pathHash, the newest path at the front of its chain.
class WrittenFileMap {
 public:
  static constexpr std::uint32_t kBucketCount = 17;

  // Records `path`; false (and nothing changes) when it is recorded already.
  bool add(const std::string& path);
  // Takes `path` out of the record, if it is there.
  void remove(const std::string& path);
  // Makes room for `count` paths in all, so that adding them moves nothing.
  void reserve(std::size_t count);
  bool contains(const std::string& path) const { return paths_.count(path) != 0; }
  std::size_t size() const { return paths_.size(); }
  // Bucket 0 to 16, and within a bucket from the most recently added path.
  std::vector<std::string> inRemovalOrder() const;

 private:
  // The set owns the paths; its nodes never move, so the chains point into it.
  std::unordered_set<std::string> paths_;
  // Oldest first: a chain is walked from its back.
  std::array<std::vector<const std::string*>, kBucketCount> chains_;
};

class TempFileRegistry {
 public:
  // Hears of every path as it is recorded, so a copy of the record can be kept
  // outside the process (see CrashWatcher).
  class Observer {
   public:
    virtual ~Observer() = default;
    // Every folder added, duplicates included.
    virtual void folderRecorded(const std::string& path) = 0;
    // Each file path the first time it is added.
    virtual void fileRecorded(const std::string& path) = 0;
    // Each tree path the first time it is added.
    virtual void treeRecorded(const std::string& path) = 0;
    // removeAll has run over everything recorded so far.
    virtual void allRemoved() = 0;
  };

  // Records the current directory as the start directory.
  TempFileRegistry();
  TempFileRegistry(const TempFileRegistry&) = delete;
  TempFileRegistry& operator=(const TempFileRegistry&) = delete;

  void addFolder(const std::string& path);
  // True when `path` was not recorded before.
  bool addFile(const std::string& path);
  // Takes back a file recorded by addFile whose making then failed: what stands
  // at that path was not written here and must stay. The observer keeps it.
  void forgetFile(const std::string& path);
  // Makes room for `count` files in all: a book's files, before they are added.
  void reserveFiles(std::size_t count);
  // A folder whose contents others write (the web engine's data): it goes
  // with everything in it, never following a link.
  void addTree(const std::string& path);
  // Deletes every recorded tree, then every recorded file, then every
  // recorded folder innermost first. Results are ignored; the records are kept.
  void removeAll();

  // Replaces the observer (null: none), which must outlive its time here.
  void setObserver(Observer* observer);

  // What is recorded, in removal order; for tests and the crash watcher.
  std::vector<std::string> filesInRemovalOrder() const;
  std::vector<std::string> createdFolders() const;
  std::vector<std::string> trees() const;
  const std::string& startDirectory() const;

  // The bucket hash of a path (length for short paths, else its last four
  // characters as sign-extended bytes, read backwards).
  static std::uint32_t pathHash(const std::string& path);
  static constexpr std::uint32_t kBucketCount = WrittenFileMap::kBucketCount;

 private:
  // The current directory when the registry was made. Only recorded: the
  // viewer never changes its current directory.
  std::string startDirectory_;
  mutable std::mutex mutex_;  // guards everything below
  std::vector<std::string> createdFolders_;  // in the order made
  std::vector<std::string> trees_;
  WrittenFileMap writtenFiles_;
  Observer* observer_ = nullptr;
};

}  // namespace pagora
