#include "session/temp_file_registry.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/remove_tree.h"

namespace pagora {
namespace {

std::string currentDirectory() {
  std::vector<char> buffer(1024);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::uint32_t signExtended(char c) {
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
}

}  // namespace

bool WrittenFileMap::add(const std::string& path) {
  auto [where, inserted] = paths_.insert(path);
  if (!inserted) return false;
  chains_[TempFileRegistry::pathHash(path) % kBucketCount].push_back(&*where);
  return true;
}

void WrittenFileMap::remove(const std::string& path) {
  const auto where = paths_.find(path);
  if (where == paths_.end()) return;
  std::erase(chains_[TempFileRegistry::pathHash(path) % kBucketCount], &*where);
  paths_.erase(where);
}

void WrittenFileMap::reserve(std::size_t count) {
  paths_.reserve(count);
  for (auto& chain : chains_) chain.reserve(count / kBucketCount + 1);
}

std::vector<std::string> WrittenFileMap::inRemovalOrder() const {
  std::vector<std::string> order;
  order.reserve(paths_.size());
  for (const auto& chain : chains_) {
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) order.push_back(**it);
  }
  return order;
}

TempFileRegistry::TempFileRegistry() : startDirectory_(currentDirectory()) {}

void TempFileRegistry::setObserver(Observer* observer) {
  const std::lock_guard lock(mutex_);
  observer_ = observer;
}

void TempFileRegistry::addFolder(const std::string& path) {
  const std::lock_guard lock(mutex_);
  createdFolders_.push_back(path);
  if (observer_) observer_->folderRecorded(path);
}

bool TempFileRegistry::addFile(const std::string& path) {
  const std::lock_guard lock(mutex_);
  if (!writtenFiles_.add(path)) return false;
  if (observer_) observer_->fileRecorded(path);
  return true;
}

void TempFileRegistry::forgetFile(const std::string& path) {
  const std::lock_guard lock(mutex_);
  writtenFiles_.remove(path);
}

void TempFileRegistry::reserveFiles(std::size_t count) {
  const std::lock_guard lock(mutex_);
  writtenFiles_.reserve(count);
}

void TempFileRegistry::addTree(const std::string& path) {
  const std::lock_guard lock(mutex_);
  if (std::find(trees_.begin(), trees_.end(), path) != trees_.end()) return;
  trees_.push_back(path);
  if (observer_) observer_->treeRecorded(path);
}

void TempFileRegistry::removeAll() {
  const std::lock_guard lock(mutex_);
  for (const std::string& path : trees_) platform::removeTree(path.c_str());
  for (const std::string& path : writtenFiles_.inRemovalOrder()) ::unlink(path.c_str());
  for (auto it = createdFolders_.rbegin(); it != createdFolders_.rend(); ++it) ::rmdir(it->c_str());
  if (observer_) observer_->allRemoved();
}

std::vector<std::string> TempFileRegistry::filesInRemovalOrder() const {
  const std::lock_guard lock(mutex_);
  return writtenFiles_.inRemovalOrder();
}

std::vector<std::string> TempFileRegistry::createdFolders() const {
  const std::lock_guard lock(mutex_);
  return createdFolders_;
}

std::vector<std::string> TempFileRegistry::trees() const {
  const std::lock_guard lock(mutex_);
  return trees_;
}

const std::string& TempFileRegistry::startDirectory() const { return startDirectory_; }

std::uint32_t TempFileRegistry::pathHash(const std::string& path) {
  const std::size_t n = path.size();
  if (n < 4) return static_cast<std::uint32_t>(n);
  // Bytes above 127 are widened as signed, so they set every bit above their own.
  std::uint32_t hash = signExtended(path[n - 1]);
  for (std::size_t back = 2; back <= 4; ++back) hash = (hash << 8) | signExtended(path[n - back]);
  return hash;
}

}  // namespace pagora
