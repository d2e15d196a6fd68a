// What pagora-book fills in when the author leaves it out.
#pragma once

#include <string>

namespace pagora::book_tool {

// An identifier made from `title`, or when that gives nothing from the book
// file's name without its extension: lower-case ASCII letters, digits and
// '_' kept, every other run of characters one '-', at most 64 characters,
// "book" if nothing is left. It names the reader's private folder, so it
// must stay a plain, stable file name.
std::string defaultEsbn(const std::string& title, const std::string& bookPath);

// Empty when `esbn` can name a private folder inside the temporary
// directory; otherwise why not.
std::string esbnProblem(const std::string& esbn);

// The book file's name without folders or extension: the default title.
std::string bookFileStem(const std::string& bookPath);

// A small page that sends the reader on to the stored file `storedName` (a
// meta refresh, and a link for engines that ignore it).
std::string startPageHtml(const std::string& storedName, const std::string& title);

}  // namespace pagora::book_tool
