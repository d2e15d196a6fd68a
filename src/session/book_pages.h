// The stored files of a loaded book by name and by path: which file of the
// book a path of its private folder is, and where a stored name was written.
// The record of reading places names pages by their stored names, never by a
// path of the private folder, which is another one the next time.
#pragma once

#include <string>

#include "session/book_session.h"

namespace pagora {

// The stored name (as the book's file table has it) of the file at `path`,
// a full path in the private folder; empty when the book stores no file there.
std::string storedNameAt(const BookSession& session, const std::string& path);

// The full path where the book's file `storedName` is written (or, while the
// rest of the book is written behind the first page, will be); empty when the
// book has no such file.
std::string pathOfStoredFile(const BookSession& session, const std::string& storedName);

}  // namespace pagora
