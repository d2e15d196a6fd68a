#include "support/book_builder.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include "container/container_reader.h"
#include "container/container_writer.h"
#include "container/stream_primitives.h"
#include "support/scratch_folder.h"

namespace pagora::testing {

BookInfo sampleInfo() {
  BookInfo info;
  info.esbn = "test-book-1";
  info.title = "A Test Book";
  info.author = "Ada Example";
  info.authorEmail = "ada@example.org";
  info.webAddress = "https://www.example.org/book";
  info.publisher = "Example Press";
  info.contentsNotice = "free to share";
  info.printAllowed = 1;
  return info;
}

void buildBook(const std::string& path, const std::vector<TestFile>& files, const BookInfo& info,
               const std::string& viewerBytes) {
  const std::string viewerPath = path + ".viewer";
  writeFile(viewerPath, viewerBytes);
  std::vector<BookSource> sources;
  for (const TestFile& file : files) sources.push_back(BookSource{file.name, "", file.bytes});
  platform::File out = platform::File::create(path, 0755);
  ASSERT_TRUE(out.isOpen()) << path;
  auto error = writeBook(out, viewerPath, info, sources);
  ASSERT_FALSE(error) << error->path << ": " << error->reason;
}

void writeRawBook(const std::string& path, std::int32_t fileCount, const std::vector<BookFileEntry>& entries,
                  const std::string& data) {
  platform::File out = platform::File::create(path, 0755);
  ASSERT_TRUE(out.isOpen()) << path;
  ASSERT_EQ(out.write(kFakeViewer.data(), kFakeViewer.size()), static_cast<std::int64_t>(kFakeViewer.size()));
  ContainerWriter writer(out);
  BookFileEntry dataEntry;
  ASSERT_TRUE(writer.startData());
  ASSERT_FALSE(writer.appendFile({"data", "", data}, dataEntry));
  BookInfo info = sampleInfo();
  info.fileCount = fileCount;
  ASSERT_TRUE(writer.writeHeader(info) && writer.writeStringList({}) && writer.writeFileTable(entries) &&
              writer.writeTrailer());
}

void setWordAt(const std::string& path, std::int64_t position, std::int32_t value) {
  platform::File file(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
  ASSERT_TRUE(file.isOpen() && file.seek(position)) << path;
  ASSERT_TRUE(writeWord(file, value));
}

BookLayout describeBook(const std::string& path) {
  BookLayout layout;
  ContainerReader reader(path);
  BookInfo info;
  BookFileTable table;
  ContainerTrailer trailer;
  EXPECT_TRUE(reader.parse(info, table, trailer)) << path;
  layout.size = fileSize(path);
  layout.trailer = layout.size - 24;
  layout.header = trailer.headerOffset;
  std::int64_t position = layout.header + 4 + 4 + info.reservedText1.size() + 8;
  for (const std::string* text : {&info.esbn, &info.title, &info.author, &info.authorEmail, &info.webAddress,
                                  &info.publisher, &info.contentsNotice}) {
    position += 4 + static_cast<std::int64_t>(text->size());
  }
  layout.checkValues = position;
  layout.zeroWords = position + 12 * 4;
  layout.headerEndMagic = layout.header + headerSectionSize(info) - 4;
  layout.stringList = trailer.stringListOffset;
  layout.fileTable = trailer.fileTableOffset;
  position = layout.fileTable + 8;
  for (const BookFileEntry& entry : table.entries()) {
    layout.entries.push_back(position);
    position += 20 + static_cast<std::int64_t>(entry.name.size());
  }
  return layout;
}

}  // namespace pagora::testing
