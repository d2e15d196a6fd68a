#include "source_tree.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "container/stored_name.h"

namespace pagora::book_tool {
namespace {

namespace fs = std::filesystem;

class TreeWalker {
 public:
  explicit TreeWalker(fs::path canonicalRoot) : root_(std::move(canonicalRoot)) {}

  // `ancestors` holds the real folders from the root down to `folder`, so a
  // link leading back into one of them is seen before it recurses forever.
  void walk(const fs::path& folder, const std::string& storedPrefix, std::vector<fs::path>& ancestors) {
    std::error_code error;
    std::vector<fs::path> children;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      children.push_back(it->path());
    }
    if (error) return fail(folder, error.message());
    std::sort(children.begin(), children.end());
    for (const fs::path& child : children) {
      if (tree.error) return;
      visit(child, storedPrefix, ancestors);
    }
  }

  SourceTree tree;

 private:
  void visit(const fs::path& path, const std::string& storedPrefix, std::vector<fs::path>& ancestors) {
    const std::string name = path.filename().string();
    if (name.find('\\') != std::string::npos) {
      return fail(path, "its name holds '\\', which a book takes as a folder separator; rename it");
    }
    const std::string storedName = storedPrefix + name;
    if (!isSafeStoredName(storedName)) {
      return fail(path, "its name \"" + storedName + "\" could leave the reader's folder; rename it");
    }
    // lstat rather than std::filesystem: one look gives the type and the
    // size, which the writer then need not ask for again.
    struct stat own {};
    if (::lstat(path.c_str(), &own) != 0) return fail(path, std::strerror(errno));

    if (S_ISLNK(own.st_mode)) return visitLink(path, storedName, ancestors);
    if (S_ISDIR(own.st_mode)) {
      std::error_code error;
      fs::path real = fs::canonical(path, error);
      if (error) return fail(path, error.message());
      return descend(path, real, storedName, ancestors);
    }
    if (S_ISREG(own.st_mode)) return add(path, storedName, static_cast<std::int64_t>(own.st_size));
    warn("left out " + path.string() + ": it is neither a file nor a folder");
  }

  void visitLink(const fs::path& link, const std::string& storedName, std::vector<fs::path>& ancestors) {
    std::error_code error;
    const fs::path target = fs::canonical(link, error);
    if (error) return warn("left out the broken symbolic link " + link.string());
    if (!isInsideRoot(target)) {
      return warn("left out the symbolic link " + link.string() + ": it leads outside " + root_.string() +
                  " (to " + target.string() + ")");
    }
    const fs::file_status status = fs::status(target, error);
    if (error) return fail(link, error.message());
    if (fs::is_regular_file(status)) return add(link, storedName);
    if (fs::is_directory(status)) {
      if (std::find(ancestors.begin(), ancestors.end(), target) != ancestors.end()) {
        return warn("left out the symbolic link " + link.string() + ": it leads back into " + target.string() +
                    ", which holds it");
      }
      return descend(link, target, storedName, ancestors);
    }
    warn("left out the symbolic link " + link.string() + ": it leads to neither a file nor a folder");
  }

  void descend(const fs::path& path, const fs::path& real, const std::string& storedName,
               std::vector<fs::path>& ancestors) {
    ancestors.push_back(real);
    walk(path, storedName + "\\", ancestors);
    ancestors.pop_back();
  }

  bool isInsideRoot(const fs::path& target) const {
    auto [rootEnd, targetAt] = std::mismatch(root_.begin(), root_.end(), target.begin(), target.end());
    return rootEnd == root_.end();
  }

  void add(const fs::path& path, const std::string& storedName, std::int64_t size = -1) {
    tree.files.push_back(BookSource{storedName, path.string(), std::nullopt, size});
  }

  void warn(std::string message) { tree.warnings.push_back(std::move(message)); }

  void fail(const fs::path& path, const std::string& reason) {
    if (!tree.error) tree.error = BookWriteError{path.string(), reason};
  }

  fs::path root_;
};

}  // namespace

SourceTree collectSourceTree(const std::string& root) {
  std::error_code error;
  fs::path realRoot = fs::canonical(root, error);
  if (error) return SourceTree{{}, {}, BookWriteError{root, error.message()}};
  if (!fs::is_directory(realRoot, error)) return SourceTree{{}, {}, BookWriteError{root, "not a folder"}};

  TreeWalker walker(realRoot);
  std::vector<fs::path> ancestors{realRoot};
  walker.walk(root, "", ancestors);
  SourceTree tree = std::move(walker.tree);
  std::sort(tree.files.begin(), tree.files.end(),
            [](const BookSource& a, const BookSource& b) { return a.storedName < b.storedName; });
  if (!tree.error && tree.files.empty()) tree.error = BookWriteError{root, "there are no files to pack"};
  return tree;
}

}  // namespace pagora::book_tool
