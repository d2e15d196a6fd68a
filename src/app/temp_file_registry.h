// TempFileRegistry records every folder the viewer made and every file it
// wrote, so that all of them are removed when the main window goes away.
// Files are removed bucket by bucket (17 buckets, newest first in each), then
// folders from the last made to the first; "already registered?" is answered
// in constant time so that a book of many files loads in linear time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pagora {

class TempFileRegistry {
 public:
  static TempFileRegistry& instance();

  TempFileRegistry(const TempFileRegistry&) = delete;
  TempFileRegistry& operator=(const TempFileRegistry&) = delete;

  void addFolder(const std::string& path);
  void addFile(const std::string& path);
  // Deletes every recorded file, then every recorded folder innermost first.
  // Results are ignored; the records are kept.
  void removeAll();

  // What is recorded, in removal order; for tests and the crash watcher.
  std::vector<std::string> filesInRemovalOrder() const;
  const std::vector<std::string>& createdFolders() const;
  const std::string& startDirectory() const;

  // The bucket hash of a path (length for short paths, else its last four
  // characters as sign-extended bytes, read backwards).
  static std::uint32_t pathHash(const std::string& path);
  static constexpr std::uint32_t kBucketCount = 17;

 private:
  TempFileRegistry();
  struct State;
  State* state_;  // never freed, like the registry itself
};

}  // namespace pagora
