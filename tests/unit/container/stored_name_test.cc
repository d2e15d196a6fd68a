#include "container/stored_name.h"

#include <gtest/gtest.h>

namespace pagora {
namespace {

TEST(StoredNameTest, OnlyNamesThatStayInsideTheFolderAreSafe) {
  struct Case {
    std::string name;
    bool safe;
  };
  const Case cases[] = {
      {"index.html", true},
      {"images\\cover.png", true},
      {"images/cover.png", true},
      {"a\\b/c\\d.txt", true},
      {".hidden", true},
      {"..dots..", true},
      {"ab:c", true},         // a colon past the second byte is no drive
      {"1:file", true},       // nor is a digit before it
      {"", false},
      {"/etc/passwd", false},
      {"\\windows\\system.ini", false},
      {"C:evil.html", false},
      {"c:\\evil.html", false},
      {"..", false},
      {".", false},
      {"..\\outside.html", false},
      {"../outside.html", false},
      {"a\\..\\..\\x", false},
      {"a/./b", false},
      {"a\\\\b", false},      // empty segment
      {"a//b", false},
      {"folder\\", false},    // empty last segment
      {"folder/.", false},
      {std::string("a\0b", 3), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isSafeStoredName(c.name), c.safe) << '"' << c.name << '"';
  }
}

TEST(StoredNameTest, BackslashesBecomeSlashes) {
  EXPECT_EQ(storedNameToRelativePath("images\\big\\cover.png"), "images/big/cover.png");
  EXPECT_EQ(storedNameToRelativePath("mixed/sep\\x"), "mixed/sep/x");
  EXPECT_EQ(storedNameToRelativePath("plain.html"), "plain.html");
}

TEST(StoredNameTest, ParentFoldersOutermostFirst) {
  using Folders = std::vector<std::string>;
  EXPECT_EQ(parentFoldersOf("index.html"), Folders{});
  EXPECT_EQ(parentFoldersOf("images\\cover.png"), Folders{"images/"});
  EXPECT_EQ(parentFoldersOf("a\\b/c.png"), (Folders{"a/", "a/b/"}));
}

}  // namespace
}  // namespace pagora
