// The book's private folder: the temporary directory, the book's esbn and
// ".qvx/". It is made on first use (0700) and used only when it is a real
// folder owned by the reader and writable by nobody else; every file is then
// written relative to that verified folder, never through a link.
#pragma once

#include <cstdint>
#include <string>

#include "platform/directory.h"

namespace pagora {

// The private folder's full path, ending in '/'; makes the folder the first
// time. Shows "Not enough disk space or other file error!" when it cannot be
// made or is not safe to use; the path is returned all the same.
std::string privateFolderPath();

// The verified private folder as privateFolderPath() last left it: closed
// before the first request and while it could not be made or is unsafe.
// Asking makes nothing and shows nothing.
const platform::Directory& privateFolder();

// Makes every missing folder of `path` (which ends in '/') below the
// temporary directory, one at a time and never through a link, registering
// each one it makes. True when every folder of the path is then a real folder
// private to the reader; false for a path outside the temporary directory or
// with an empty, "." or ".." segment.
bool createFolderPath(const std::string& path);

// Makes the missing folders of `relativeFolder` ("a/b/") inside the private
// folder, one at a time and never through a link, registering each one made.
// True when every one of them is a real folder afterwards.
bool makeFoldersInPrivateFolder(const std::string& relativeFolder);

// The same, and the deepest of those folders, open, for writing into it
// without walking its path again; closed when any of them could not be made
// or opened.
platform::Directory openFoldersInPrivateFolder(const std::string& relativeFolder);

// Whether the system takes `fullPath` whole. The clean-up removes files and
// folders by their full paths, so nothing is made at a path it could not reach.
bool fitsSystemPathLimit(const std::string& fullPath);

// Writes one file in the private folder and registers it. `path` is a full
// path inside the folder as privateFolderPath() returned it, within the
// system's path limit; the folder is not made here. Shows "Disk error - out
// of space ?" and returns false when the file cannot be created or fully
// written (a partial file stays registered).
bool writeTempFile(const std::string& path, const void* data, std::uint32_t length);

}  // namespace pagora
