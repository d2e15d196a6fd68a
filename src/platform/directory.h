// Directory owns an open descriptor of a folder (O_DIRECTORY | O_NOFOLLOW), so
// that everything made inside it is made relative to the folder that was
// checked, never through a path that could be swapped for a link meanwhile.
#pragma once

#include <string>

namespace pagora::platform {

class Directory {
 public:
  Directory() = default;
  Directory(Directory&& other) noexcept;
  Directory& operator=(Directory&& other) noexcept;
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;
  ~Directory();

  // Opens an existing folder; a symbolic link as the last component is refused.
  // Not open on failure, with errno set.
  static Directory open(const std::string& path);

  bool isOpen() const { return descriptor_ >= 0; }
  int descriptor() const { return descriptor_; }
  const std::string& path() const { return path_; }

  // True when the folder belongs to this process's user and no one else may
  // write into it.
  bool isPrivateToUser() const;

  // A second descriptor of the same folder, with the same path(); closed on failure.
  Directory duplicate() const;

  // Opens the folder `name` (one component) inside this one; a symbolic link
  // is refused. Its path() is this folder's path joined with `name` and '/'.
  Directory openFolder(const std::string& name) const;

  // Makes the folder `name` (relative, one component) inside this one, mode 0700.
  // True if it was made; errno says why not (EEXIST when it was there already).
  bool makeFolder(const std::string& name) const;

  // Removes the file `name` (relative) inside this folder; a folder is left
  // alone. True if it was removed.
  bool removeFile(const std::string& name) const;

  void close();

 private:
  int descriptor_ = -1;
  std::string path_;
};

}  // namespace pagora::platform
