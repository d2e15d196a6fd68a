// The load keeps the folder of one stored file open for the next; a table
// whose files go back and forth between folders must still put every file in
// its own folder and make each folder once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/probe_book.h"

namespace pagora {
namespace {

class SubfolderOrderTest : public probe::ProbeTest {};

TEST_F(SubfolderOrderTest, FilesThatGoBackAndForthBetweenFoldersAllLandInTheirOwn) {
  const std::vector<std::string> names = {"a\\1.html", "b\\2.html",  "a\\3.html", "a\\b\\4.html",
                                          "top.html",  "a\\5.html",  "b\\a\\6.html", "index.html"};
  std::vector<BookSource> files;
  for (const std::string& name : names) files.push_back(probe::storedFile(name, "<P>" + name));
  BookInfo info;
  info.esbn = "order";
  const probe::Report report = run(makeBook(info, files), {"--keep"});

  ASSERT_EQ(report.exitStatus, 0);
  EXPECT_TRUE(report.notices.empty());
  const std::string folder = tempDir() + "order.qvx/";
  for (std::string name : names) {
    const std::string contents = "<P>" + name;
    for (char& c : name) {
      if (c == '\\') c = '/';
    }
    EXPECT_EQ(probe::readFile(folder + name), contents) << name;
  }
  EXPECT_EQ(report.registeredFiles.size(), names.size());
  EXPECT_EQ(report.registeredFolders,
            (std::vector<std::string>{tempDir() + "order.qvx", folder + "a", folder + "b", folder + "a/b",
                                      folder + "b/a"}));
}

}  // namespace
}  // namespace pagora
