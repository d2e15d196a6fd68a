#include "session/reading_places.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/file.h"

namespace pagora {
namespace {

std::string withoutTrailingSlashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return std::string(path);
}

bool isAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::string joined(const std::string& folder, std::string_view name) {
  return folder.ends_with('/') ? folder + std::string(name) : folder + '/' + std::string(name);
}

// Makes `path` a folder (0700) unless something is there; links on the way
// are the reader's own and are followed.
bool makeFolderIfMissing(const std::string& path) { return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST; }

platform::File openRecordForReading(const platform::Directory& folder) {
  // Never through a link; a FIFO in its place must not hold the open.
  int fd;
  do {
    fd = ::openat(folder.descriptor(), ReadingPlaces::kFileName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  return platform::File(fd);
}

// A new file of the folder that nobody else has open, 0600; its name in `name`.
platform::File createTemporaryFile(const platform::Directory& folder, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = std::string(".") + ReadingPlaces::kFileName + "." + std::to_string(::getpid()) + "." + std::to_string(attempt);
    int fd;
    do {
      fd = ::openat(folder.descriptor(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0 || errno != EEXIST) return platform::File(fd);
  }
  return {};
}

}  // namespace

std::optional<StateLocation> readingPlacesLocation(const char* noState, const char* stateHome, const char* home) {
  if (noState != nullptr && std::string_view(noState) != "" && std::string_view(noState) != "0") return std::nullopt;
  if (isAbsolute(stateHome)) {
    const std::string folder = withoutTrailingSlashes(stateHome);
    const auto slash = folder.rfind('/');
    if (folder == "/") return StateLocation{"/", "pagora"};
    return StateLocation{slash == 0 ? "/" : folder.substr(0, slash), folder.substr(slash + 1) + "/pagora"};
  }
  if (isAbsolute(home)) return StateLocation{withoutTrailingSlashes(home), ".local/state/pagora"};
  return std::nullopt;
}

std::optional<StateLocation> readingPlacesLocationFromEnvironment() {
  return readingPlacesLocation(std::getenv("PAGORA_NO_STATE"), std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
}

platform::Directory ReadingPlaces::openFolder(bool make) const {
  if (!location_) return {};
  std::string path = location_->existing;
  std::string_view below = location_->below;
  while (!below.empty()) {
    const auto slash = below.find('/');
    path = joined(path, below.substr(0, slash));
    below = slash == std::string_view::npos ? std::string_view() : below.substr(slash + 1);
    // The home itself is never made: without it there is nowhere to remember.
    if (make && !makeFolderIfMissing(path)) return {};
  }
  platform::Directory folder = platform::Directory::open(path);
  if (!folder.isOpen() || !folder.isPrivateToUser()) return {};
  struct stat status {};
  if (make && ::fstat(folder.descriptor(), &status) == 0 && (status.st_mode & 07777) != 0700) {
    ::fchmod(folder.descriptor(), 0700);
  }
  return folder;
}

std::vector<ReadingPlaceEntry> ReadingPlaces::read(const platform::Directory& folder) const {
  if (!folder.isOpen()) return {};
  platform::File file = openRecordForReading(folder);
  struct stat status {};
  if (!file.isOpen() || ::fstat(file.descriptor(), &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_size > kMaxRecordBytes) {
    return {};
  }
  std::string text(static_cast<std::size_t>(status.st_size), '\0');
  const std::int64_t got = file.read(text.data(), text.size());
  if (got < 0) return {};
  text.resize(static_cast<std::size_t>(got));
  return parseReadingPlaces(text);
}

std::vector<ReadingPlaceEntry> ReadingPlaces::entries() const { return read(openFolder(false)); }

std::optional<ReadingPlace> ReadingPlaces::find(const std::string& esbn) const {
  if (esbn.empty()) return std::nullopt;
  for (ReadingPlaceEntry& entry : entries()) {
    if (entry.esbn == esbn) return std::move(entry.place);
  }
  return std::nullopt;
}

bool ReadingPlaces::remember(const std::string& esbn, const ReadingPlace& place) {
  if (esbn.empty()) return false;
  const platform::Directory folder = openFolder(true);
  if (!folder.isOpen()) return false;
  std::vector<ReadingPlaceEntry> entries = read(folder);
  std::erase_if(entries, [&](const ReadingPlaceEntry& entry) { return entry.esbn == esbn; });
  entries.push_back({esbn, place});
  if (entries.size() > kMaxBooks) entries.erase(entries.begin(), entries.end() - kMaxBooks);
  const std::string text = formatReadingPlaces(entries);

  std::string temporaryName;
  platform::File file = createTemporaryFile(folder, temporaryName);
  if (!file.isOpen()) return false;
  const bool written = file.write(text.data(), text.size()) == static_cast<std::int64_t>(text.size()) &&
                       ::fsync(file.descriptor()) == 0;
  file.close();
  if (!written || ::renameat(folder.descriptor(), temporaryName.c_str(), folder.descriptor(), kFileName) != 0) {
    folder.removeFile(temporaryName);
    return false;
  }
  return true;
}

bool ReadingPlaces::forgetAll() {
  // A record in a folder that cannot be opened, or is not private, is never read either.
  const platform::Directory folder = openFolder(false);
  return !folder.isOpen() || folder.removeFile(kFileName) || errno == ENOENT;
}

}  // namespace pagora
