// BookExtractor writes a book's stored files below a folder. The folders a
// name needs are made where missing (0700), each step relative to its parent
// and never through a link; the file is created 0600, never through a link,
// and filled from the book. A name that could leave the folder fails before
// anything is written, and a file cut short is removed. A large file is
// copied by two threads at once. The viewer's load, `pagora-book extract`
// and the fuzz harness all extract through here.
#pragma once

#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "container/book_validation.h"
#include "container/container_reader.h"
#include "platform/directory.h"

namespace pagora {

class BookExtractor {
 public:
  // Told the full path of each folder made, as it is made.
  using FolderMade = std::function<void(const std::string& fullPath)>;
  // Told the path of each file, relative to the root, once it is created and
  // before its bytes are written.
  using FileCreated = std::function<void(const std::string& relativePath)>;

  // REQUIRES: `reader`, `book` and `root` outlive the extractor.
  BookExtractor(ContainerReader& reader, const ParsedBook& book, const platform::Directory& root,
                FolderMade onFolderMade = {}, FileCreated onFileCreated = {});

  // Writes entry `index` below the root. False, with errno set, when it could
  // not be written whole (ECANCELED when `stop` was requested meanwhile);
  // failedPath() then names the path relative to the root (the file, or the
  // folder of it) that failed.
  bool extract(int index, std::stop_token stop = {});

  const std::string& failedPath() const { return failedPath_; }

 private:
  // The folder `relativeFolder` ("a/b/", or "" for the root), open.
  const platform::Directory& folderFor(const std::string& relativeFolder);
  // Fills `target` with the entry's data; false with errno set.
  bool copy(const BookFileEntry& entry, platform::File& target, std::stop_token stop);
  // The same in two shares, the second on a thread of its own.
  bool copyInTwoShares(const BookFileEntry& entry, platform::File& target, std::stop_token stop);
  bool fail(std::string relativePath, int error);

  ContainerReader& reader_;
  const ParsedBook& book_;
  const platform::Directory& root_;
  FolderMade onFolderMade_;
  FileCreated onFileCreated_;
  // The last folder written into, kept open: stored names come in name
  // order, so the files of one folder come together and its path is walked
  // once for them all.
  std::string openRelative_;
  platform::Directory openFolder_;
  std::string failedPath_;
  // Every stored file passes through these buffers, never held whole; the
  // second is the helper thread's share of a large file.
  std::vector<unsigned char> transferBuffer_;
  std::vector<unsigned char> helperBuffer_;
};

}  // namespace pagora
