#include "source_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#include "container/stored_name.h"

namespace pagora::book_tool {
namespace {

namespace fs = std::filesystem;

// Which folder a folder is, whatever path led to it.
struct FolderId {
  dev_t device;
  ino_t inode;
  bool operator==(const FolderId&) const = default;
};

// A folder being walked: `path` is how the author's root plus the names
// walked through spell it, which messages and each file's sourcePath use.
// `handle` is open while its names are looked up, and stays open only for a
// folder whose files carry it; others let it go before the walk goes deeper,
// so a deep tree does not hold a descriptor a level.
struct WalkedFolder {
  std::shared_ptr<SourceFolder> handle;
  std::string path;
  bool held = false;  // whether its files carry `handle`
};

// A name in a folder and what it is, or the errno of looking it up.
struct FolderEntry {
  std::string name;
  struct stat status {};
  int lookupError = 0;
};

// How many folders may stay open for the writer to open their files by name:
// a quarter of the descriptor limit, the rest being left to the book and to
// whatever else the process opens.
std::size_t heldFolderLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 64;
  return static_cast<std::size_t>(std::min<rlim_t>(limit.rlim_cur / 4, 4096));
}

std::string joined(const std::string& folder, const std::string& name) {
  return folder.ends_with('/') ? folder + name : folder + '/' + name;
}

std::string systemReason() { return std::strerror(errno); }

// The names in the folder but "." and "..", or false with errno set.
bool listNames(const SourceFolder& folder, std::vector<std::string>& names) {
  // The stream reads through its own descriptor, which it closes; the
  // folder's stays open for looking up and opening the names.
  const int copy = ::fcntl(folder.descriptor(), F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return false;
  std::unique_ptr<DIR, int (*)(DIR*)> stream(::fdopendir(copy), ::closedir);
  if (!stream) {
    const int error = errno;
    ::close(copy);
    errno = error;
    return false;
  }
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(stream.get());
    if (!entry) return errno == 0;
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
}

// Walks relative to each folder's open descriptor, so each name costs the
// kernel one lookup rather than a walk of its whole path.
class TreeWalker {
 public:
  TreeWalker(fs::path canonicalRoot, const SourceTreeOptions& options)
      : root_(std::move(canonicalRoot)),
        options_(options),
        heldFolderLimit_(options.heldFolders.value_or(heldFolderLimit())) {}

  // `ancestors` holds the folders from the root down to `folder`, so a link
  // leading back into one of them is seen before it recurses forever.
  void walk(WalkedFolder& folder, const std::string& storedPrefix, std::vector<FolderId>& ancestors) {
    std::vector<std::string> names;
    if (!listNames(*folder.handle, names)) return fail(folder.path, systemReason());
    std::sort(names.begin(), names.end());
    // One look at each name gives its type and size, which the writer then
    // need not ask for again; what failed is told in name order below.
    std::vector<FolderEntry> entries(names.size());
    bool mayHoldFiles = false;
    for (std::size_t i = 0; i < names.size(); ++i) {
      FolderEntry& entry = entries[i];
      entry.name = std::move(names[i]);
      if (::fstatat(folder.handle->descriptor(), entry.name.c_str(), &entry.status, AT_SYMLINK_NOFOLLOW) != 0) {
        entry.lookupError = errno;
      } else if (S_ISREG(entry.status.st_mode) || S_ISLNK(entry.status.st_mode)) {
        mayHoldFiles = true;
      }
    }
    if (mayHoldFiles && heldFolders_ < heldFolderLimit_) {
      folder.held = true;
      ++heldFolders_;
    } else {
      folder.handle.reset();
    }
    for (const FolderEntry& entry : entries) {
      if (tree.error) return;
      visit(folder, entry, storedPrefix, ancestors);
    }
  }

  SourceTree tree;

 private:
  void visit(const WalkedFolder& folder, const FolderEntry& entry, const std::string& storedPrefix,
             std::vector<FolderId>& ancestors) {
    const std::string& name = entry.name;
    std::string path = joined(folder.path, name);
    if (name.find('\\') != std::string::npos) {
      return fail(path, "its name holds '\\', which a book takes as a folder separator; rename it");
    }
    std::string storedName = storedPrefix + name;
    if (!isSafeStoredName(storedName)) {
      return fail(path, "its name \"" + storedName + "\" could leave the reader's folder; rename it");
    }
    if (isExcluded(storedName)) return;
    if (entry.lookupError != 0) return fail(path, std::strerror(entry.lookupError));
    const struct stat& own = entry.status;
    if (S_ISLNK(own.st_mode)) return visitLink(folder, name, std::move(path), std::move(storedName), ancestors);
    if (S_ISDIR(own.st_mode)) {
      return descend(folder, name, path, storedName, FolderId{own.st_dev, own.st_ino}, O_NOFOLLOW, ancestors);
    }
    if (S_ISREG(own.st_mode)) {
      return add(folder, name, std::move(path), std::move(storedName), static_cast<std::int64_t>(own.st_size));
    }
    warn("left out " + path + ": it is neither a file nor a folder");
  }

  void visitLink(const WalkedFolder& folder, const std::string& name, std::string path, std::string storedName,
                 std::vector<FolderId>& ancestors) {
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    if (error) return warn("left out the broken symbolic link " + path);
    if (!options_.dereference && !isInsideRoot(target)) {
      return warn("left out the symbolic link " + path + ": it leads outside " + root_.string() + " (to " +
                  target.string() + "); -L (--dereference) stores what it leads to");
    }
    struct stat targetStatus {};
    const int looked = folder.handle ? ::fstatat(folder.handle->descriptor(), name.c_str(), &targetStatus, 0)
                                     : ::stat(path.c_str(), &targetStatus);
    if (looked != 0) return fail(path, systemReason());
    if (S_ISREG(targetStatus.st_mode)) return add(folder, name, std::move(path), std::move(storedName));
    if (S_ISDIR(targetStatus.st_mode)) {
      const FolderId id{targetStatus.st_dev, targetStatus.st_ino};
      if (std::find(ancestors.begin(), ancestors.end(), id) != ancestors.end()) {
        return warn("left out the symbolic link " + path + ": it leads back into " + target.string() +
                    ", which holds it");
      }
      return descend(folder, name, path, storedName, id, 0, ancestors);
    }
    warn("left out the symbolic link " + path + ": it leads to neither a file nor a folder");
  }

  // `linkFlag` is O_NOFOLLOW for a folder seen as one, 0 for a link to one.
  void descend(const WalkedFolder& parent, const std::string& name, const std::string& path,
               const std::string& storedName, FolderId id, int linkFlag, std::vector<FolderId>& ancestors) {
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | linkFlag;
    const int descriptor =
        parent.handle ? ::openat(parent.handle->descriptor(), name.c_str(), flags) : ::open(path.c_str(), flags);
    if (descriptor < 0) return fail(path, systemReason());
    WalkedFolder folder{std::make_shared<SourceFolder>(descriptor), path};
    ancestors.push_back(id);
    walk(folder, storedName + "\\", ancestors);
    ancestors.pop_back();
  }

  bool isExcluded(const std::string& storedName) const {
    if (options_.excludes.empty()) return false;
    const std::string relative = storedNameToRelativePath(storedName);
    return std::any_of(options_.excludes.begin(), options_.excludes.end(),
                       [&](const std::string& pattern) { return excludedBy(pattern, relative); });
  }

  bool isInsideRoot(const fs::path& target) const {
    auto [rootEnd, targetAt] = std::mismatch(root_.begin(), root_.end(), target.begin(), target.end());
    return rootEnd == root_.end();
  }

  void add(const WalkedFolder& folder, const std::string& name, std::string path, std::string storedName,
           std::int64_t size = -1) {
    BookSource source{std::move(storedName), std::move(path), std::nullopt, size};
    if (folder.held) {
      source.folder = folder.handle;
      source.nameInFolder = name;
    }
    tree.files.push_back(std::move(source));
  }

  void warn(std::string message) { tree.warnings.push_back(std::move(message)); }

  void fail(const std::string& path, const std::string& reason) {
    if (!tree.error) tree.error = BookWriteError{path, reason};
  }

  fs::path root_;
  const SourceTreeOptions& options_;
  std::size_t heldFolderLimit_;
  std::size_t heldFolders_ = 0;
};

}  // namespace

bool excludedBy(const std::string& pattern, const std::string& relativePath) {
  // Unanchored: the pattern may match from the start or after any '/'.
  for (std::size_t start = 0; start != std::string::npos;) {
    if (::fnmatch(pattern.c_str(), relativePath.c_str() + start, 0) == 0) return true;
    const std::size_t slash = relativePath.find('/', start);
    start = slash == std::string::npos ? slash : slash + 1;
  }
  return false;
}

SourceTree collectSourceTree(const std::string& root, const SourceTreeOptions& options) {
  std::error_code error;
  fs::path realRoot = fs::canonical(root, error);
  if (error) return SourceTree{{}, {}, BookWriteError{root, error.message()}};
  if (!fs::is_directory(realRoot, error)) return SourceTree{{}, {}, BookWriteError{root, "not a folder"}};
  const int descriptor = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return SourceTree{{}, {}, BookWriteError{root, systemReason()}};
  WalkedFolder top{std::make_shared<SourceFolder>(descriptor), root};
  struct stat rootStatus {};
  if (::fstat(descriptor, &rootStatus) != 0) return SourceTree{{}, {}, BookWriteError{root, systemReason()}};

  TreeWalker walker(realRoot, options);
  std::vector<FolderId> ancestors{{rootStatus.st_dev, rootStatus.st_ino}};
  walker.walk(top, "", ancestors);
  SourceTree tree = std::move(walker.tree);
  std::sort(tree.files.begin(), tree.files.end(),
            [](const BookSource& a, const BookSource& b) { return a.storedName < b.storedName; });
  if (!tree.error && tree.files.empty()) tree.error = BookWriteError{root, "there are no files to pack"};
  return tree;
}

}  // namespace pagora::book_tool
