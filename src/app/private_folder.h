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

// The verified private folder, or a closed Directory when it could not be
// made or is unsafe. Makes it the first time, like privateFolderPath().
const platform::Directory& privateFolder();

// Makes every missing folder of `path` (which ends in '/'), registering each
// one it makes. True when every folder of the path exists afterwards.
bool createFolderPath(const std::string& path);

// Writes one file in the private folder and registers it. Shows "Disk error -
// out of space ?" and returns false when it cannot be created or fully written.
bool writeTempFile(const std::string& path, const void* data, std::uint32_t length);

}  // namespace pagora
