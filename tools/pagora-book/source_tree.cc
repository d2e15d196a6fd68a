#include "source_tree.h"

#include <dirent.h>
#include <fcntl.h>
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
struct WalkedFolder {
  std::shared_ptr<SourceFolder> handle;
  std::string path;
  bool held = false;  // whether its files carry `handle`
};

// How many folders may stay open for the writer to open their files by name:
// a quarter of the descriptor limit. The rest is left to the folders the walk
// holds open on its way down (one a level) and to the book being written.
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
  TreeWalker(fs::path canonicalRoot, std::size_t heldFolderLimit)
      : root_(std::move(canonicalRoot)), heldFolderLimit_(heldFolderLimit) {}

  // `ancestors` holds the folders from the root down to `folder`, so a link
  // leading back into one of them is seen before it recurses forever.
  void walk(WalkedFolder& folder, const std::string& storedPrefix, std::vector<FolderId>& ancestors) {
    std::vector<std::string> names;
    if (!listNames(*folder.handle, names)) return fail(folder.path, systemReason());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (tree.error) return;
      visit(folder, name, storedPrefix, ancestors);
    }
  }

  SourceTree tree;

 private:
  void visit(WalkedFolder& folder, const std::string& name, const std::string& storedPrefix,
             std::vector<FolderId>& ancestors) {
    std::string path = joined(folder.path, name);
    if (name.find('\\') != std::string::npos) {
      return fail(path, "its name holds '\\', which a book takes as a folder separator; rename it");
    }
    std::string storedName = storedPrefix + name;
    if (!isSafeStoredName(storedName)) {
      return fail(path, "its name \"" + storedName + "\" could leave the reader's folder; rename it");
    }
    // One look gives the type and the size, which the writer then need not
    // ask for again.
    struct stat own {};
    if (::fstatat(folder.handle->descriptor(), name.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) {
      return fail(path, systemReason());
    }
    if (S_ISLNK(own.st_mode)) return visitLink(folder, name, std::move(path), std::move(storedName), ancestors);
    if (S_ISDIR(own.st_mode)) {
      return descend(folder, name, path, storedName, FolderId{own.st_dev, own.st_ino}, O_NOFOLLOW, ancestors);
    }
    if (S_ISREG(own.st_mode)) {
      return add(folder, name, std::move(path), std::move(storedName), static_cast<std::int64_t>(own.st_size));
    }
    warn("left out " + path + ": it is neither a file nor a folder");
  }

  void visitLink(WalkedFolder& folder, const std::string& name, std::string path, std::string storedName,
                 std::vector<FolderId>& ancestors) {
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    if (error) return warn("left out the broken symbolic link " + path);
    if (!isInsideRoot(target)) {
      return warn("left out the symbolic link " + path + ": it leads outside " + root_.string() + " (to " +
                  target.string() + ")");
    }
    struct stat targetStatus {};
    if (::fstatat(folder.handle->descriptor(), name.c_str(), &targetStatus, 0) != 0) {
      return fail(path, systemReason());
    }
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
    const int descriptor =
        ::openat(parent.handle->descriptor(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | linkFlag);
    if (descriptor < 0) return fail(path, systemReason());
    WalkedFolder folder{std::make_shared<SourceFolder>(descriptor), path};
    ancestors.push_back(id);
    walk(folder, storedName + "\\", ancestors);
    ancestors.pop_back();
  }

  bool isInsideRoot(const fs::path& target) const {
    auto [rootEnd, targetAt] = std::mismatch(root_.begin(), root_.end(), target.begin(), target.end());
    return rootEnd == root_.end();
  }

  void add(WalkedFolder& folder, const std::string& name, std::string path, std::string storedName,
           std::int64_t size = -1) {
    if (!folder.held && heldFolders_ < heldFolderLimit_) {
      folder.held = true;
      ++heldFolders_;
    }
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
  std::size_t heldFolderLimit_;
  std::size_t heldFolders_ = 0;
};

}  // namespace

SourceTree collectSourceTree(const std::string& root) { return collectSourceTree(root, heldFolderLimit()); }

SourceTree collectSourceTree(const std::string& root, std::size_t heldFolders) {
  std::error_code error;
  fs::path realRoot = fs::canonical(root, error);
  if (error) return SourceTree{{}, {}, BookWriteError{root, error.message()}};
  if (!fs::is_directory(realRoot, error)) return SourceTree{{}, {}, BookWriteError{root, "not a folder"}};
  const int descriptor = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return SourceTree{{}, {}, BookWriteError{root, systemReason()}};
  WalkedFolder top{std::make_shared<SourceFolder>(descriptor), root};
  struct stat rootStatus {};
  if (::fstat(descriptor, &rootStatus) != 0) return SourceTree{{}, {}, BookWriteError{root, systemReason()}};

  TreeWalker walker(realRoot, heldFolders);
  std::vector<FolderId> ancestors{{rootStatus.st_dev, rootStatus.st_ino}};
  walker.walk(top, "", ancestors);
  SourceTree tree = std::move(walker.tree);
  std::sort(tree.files.begin(), tree.files.end(),
            [](const BookSource& a, const BookSource& b) { return a.storedName < b.storedName; });
  if (!tree.error && tree.files.empty()) tree.error = BookWriteError{root, "there are no files to pack"};
  return tree;
}

}  // namespace pagora::book_tool
