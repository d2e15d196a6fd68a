// Builds small books for tests and tells where each of their items lies, so
// that a test can damage exactly one of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/book_file_table.h"
#include "container/book_info.h"

namespace pagora::testing {

struct TestFile {
  std::string name;   // the stored name
  std::string bytes;  // the contents
};

// Stands in for the viewer executable that books are appended to.
inline const std::string kFakeViewer = "#!/bin/sh\nexit 0\n";

// Texts with a distinct length and hash each.
BookInfo sampleInfo();

// Writes the book at `path` with writeBook: the viewer bytes, the files' data,
// header, string list, file table and trailer. Fails the test on error.
void buildBook(const std::string& path, const std::vector<TestFile>& files, const BookInfo& info = sampleInfo(),
               const std::string& viewerBytes = kFakeViewer);

// Writes a book section by section with whatever file count and entries the
// test asks for; the data section holds `data`, so entries may point into it
// or anywhere else.
void writeRawBook(const std::string& path, std::int32_t fileCount, const std::vector<BookFileEntry>& entries,
                  const std::string& data = "0123456789");

// Absolute positions of the items of a book that parses.
struct BookLayout {
  std::int64_t size = 0;
  std::int64_t trailer = 0;
  std::int64_t header = 0;
  std::int64_t checkValues = 0;   // the first of the twelve
  std::int64_t zeroWords = 0;     // the first of the four
  std::int64_t headerEndMagic = 0;
  std::int64_t stringList = 0;
  std::int64_t fileTable = 0;
  std::vector<std::int64_t> entries;  // each record's magic
};

BookLayout describeBook(const std::string& path);

// Overwrites the word at `position` with `value`, scrambled as words are.
void setWordAt(const std::string& path, std::int64_t position, std::int32_t value);

}  // namespace pagora::testing
