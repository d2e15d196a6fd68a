#include "source_tree.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "support/scratch_folder.h"

namespace pagora::book_tool {
namespace {

using pagora::testing::writeFile;

class SourceTreeTest : public ::testing::Test {
 protected:
  std::string src(const std::string& relative = "") const {
    return relative.empty() ? scratch_ / "src" : scratch_ / ("src/" + relative);
  }
  void link(const std::string& target, const std::string& relative) {
    ASSERT_EQ(::symlink(target.c_str(), src(relative).c_str()), 0) << relative;
  }
  static std::vector<std::string> storedNames(const SourceTree& tree) {
    std::vector<std::string> names;
    for (const BookSource& file : tree.files) names.push_back(file.storedName);
    return names;
  }
  // True when some warning mentions both texts.
  static bool warned(const SourceTree& tree, const std::string& a, const std::string& b) {
    return std::any_of(tree.warnings.begin(), tree.warnings.end(), [&](const std::string& warning) {
      return warning.find(a) != std::string::npos && warning.find(b) != std::string::npos;
    });
  }

  pagora::testing::ScratchFolder scratch_;
};

TEST_F(SourceTreeTest, RecordsTheSizeOfEachFileAsWalked) {
  writeFile(src("index.html"), "12345");
  writeFile(src("empty"), "");
  writeFile(src("a/b.html"), "nested");
  link("b.html", "a/link.html");
  SourceTree tree = collectSourceTree(src());
  ASSERT_FALSE(tree.error);
  std::vector<std::pair<std::string, std::int64_t>> sizes;
  for (const BookSource& file : tree.files) sizes.emplace_back(file.storedName, file.walkedSize);
  // A link's size is its target's, which the walk does not look up.
  EXPECT_EQ(sizes, (std::vector<std::pair<std::string, std::int64_t>>{
                       {"a\\b.html", 6}, {"a\\link.html", -1}, {"empty", 0}, {"index.html", 5}}));
}

TEST_F(SourceTreeTest, StoresEveryFileSortedByStoredName) {
  writeFile(src("index.html"), "i");
  writeFile(src("Zebra.html"), "z");
  writeFile(src("a.b"), "dot");
  writeFile(src("a/b.html"), "nested");
  writeFile(src("a/deeper/c.png"), "png");
  writeFile(src(".hidden"), "h");
  writeFile(src("empty"), "");
  ::mkdir(src("no-files-here").c_str(), 0700);
  SourceTree tree = collectSourceTree(src());
  ASSERT_FALSE(tree.error);
  EXPECT_EQ(storedNames(tree), (std::vector<std::string>{".hidden", "Zebra.html", "a.b", "a\\b.html",
                                                        "a\\deeper\\c.png", "empty", "index.html"}));
  EXPECT_EQ(tree.files[3].sourcePath, src("a/b.html"));
  EXPECT_TRUE(tree.warnings.empty());
}

// The bytes the writer would read: through the file's open folder when it
// carries one, else by its path.
std::string contentsOf(const BookSource& file) {
  if (!file.folder) return pagora::testing::readFile(file.sourcePath);
  const int descriptor = ::openat(file.folder->descriptor(), file.nameInFolder.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return "(cannot open " + file.nameInFolder + ")";
  std::string bytes;
  char buffer[256];
  for (ssize_t got; (got = ::read(descriptor, buffer, sizeof buffer)) > 0;) {
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(descriptor);
  return bytes;
}

std::size_t openDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

TEST_F(SourceTreeTest, FilesCarryTheirOpenFolderUpToALimit) {
  writeFile(src("index.html"), "index");
  writeFile(src("a/b.html"), "b");
  link("b.html", "a/link.html");
  writeFile(src("c/d.html"), "d");
  link("c", "e");
  const std::size_t descriptorsBefore = openDescriptors();
  struct Case {
    std::size_t heldFolders;
    std::vector<bool> carriesFolder;  // in stored name order
  };
  // A folder takes its place when its names are read: the root, a, c, then
  // e (c again, through the link).
  const Case cases[] = {
      {100, {true, true, true, true, true}},
      {2, {true, true, false, false, true}},
      {0, {false, false, false, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.heldFolders);
    {
      SourceTree tree = collectSourceTree(src(), {.heldFolders = c.heldFolders});
      ASSERT_FALSE(tree.error);
      EXPECT_EQ(storedNames(tree),
                (std::vector<std::string>{"a\\b.html", "a\\link.html", "c\\d.html", "e\\d.html", "index.html"}));
      const std::vector<std::string> contents = {"b", "b", "d", "d", "index"};
      std::vector<bool> carriesFolder;
      for (std::size_t i = 0; i < tree.files.size(); ++i) {
        carriesFolder.push_back(tree.files[i].folder != nullptr);
        EXPECT_EQ(contentsOf(tree.files[i]), contents[i]) << tree.files[i].storedName;
        EXPECT_EQ(pagora::testing::readFile(tree.files[i].sourcePath), contents[i]) << tree.files[i].storedName;
      }
      EXPECT_EQ(carriesFolder, c.carriesFolder);
      EXPECT_EQ(openDescriptors(), descriptorsBefore + std::min<std::size_t>(c.heldFolders, 4))
          << "only the folders the files carry stay open: the root, a, c and e (c again, through the link)";
    }
    EXPECT_EQ(openDescriptors(), descriptorsBefore) << "the files' folders close with the tree";
  }
}

// Folders below the limit are let go as the walk goes deeper, so a tree far
// deeper than there are descriptors to spare is still walked.
TEST_F(SourceTreeTest, DeepTreesNeedNoDescriptorALevel) {
  std::string relative = "index.html";
  for (int level = 0; level < 100; ++level) {
    writeFile(src(relative), "level " + std::to_string(level));
    relative = "d/" + relative;
  }
  rlimit original{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &original), 0);
  rlimit tight = original;
  tight.rlim_cur = openDescriptors() + 12;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  SourceTree tree = collectSourceTree(src(), {.heldFolders = 5});
  ::setrlimit(RLIMIT_NOFILE, &original);
  ASSERT_FALSE(tree.error) << tree.error->path << ": " << tree.error->reason;
  ASSERT_EQ(tree.files.size(), 100u);
  EXPECT_EQ(tree.files.back().storedName, "index.html");
  EXPECT_EQ(contentsOf(tree.files.back()), "level 0");
  EXPECT_EQ(contentsOf(tree.files.front()), "level 99");
  EXPECT_EQ(std::count_if(tree.files.begin(), tree.files.end(), [](const BookSource& file) { return file.folder; }),
            5);
}

TEST_F(SourceTreeTest, LinksInsideAreStoredAsCopies) {
  writeFile(src("pages/faq.en.html"), "faq");
  writeFile(src("index.en.html"), "index");
  link("index.en.html", "index.html");
  link("pages", "pages-again");
  link(src("pages/faq.en.html"), "absolute-link.html");
  link("index.html", "link-to-link.html");
  SourceTree tree = collectSourceTree(src());
  ASSERT_FALSE(tree.error);
  EXPECT_EQ(storedNames(tree),
            (std::vector<std::string>{"absolute-link.html", "index.en.html", "index.html", "link-to-link.html",
                                      "pages-again\\faq.en.html", "pages\\faq.en.html"}));
  EXPECT_EQ(pagora::testing::readFile(tree.files[2].sourcePath), "index");
  EXPECT_EQ(pagora::testing::readFile(tree.files[5].sourcePath), "faq");
  EXPECT_TRUE(tree.warnings.empty());
}

TEST_F(SourceTreeTest, LeavesOutLinksThatCannotBeCopiedWithAWarning) {
  writeFile(src("index.html"), "i");
  writeFile(scratch_ / "outside.html", "secret");
  writeFile(scratch_ / "src-sibling/x.html", "not inside");
  ::mkdir(src("sub").c_str(), 0700);
  link("missing.html", "broken.html");
  link(scratch_ / "outside.html", "outside.html");
  link("../src-sibling/x.html", "sibling.html");
  link("..", "sub/up");
  link(".", "here");
  link("/", "root");
  ASSERT_EQ(::mkfifo(src("pipe").c_str(), 0600), 0);
  SourceTree tree = collectSourceTree(src());
  ASSERT_FALSE(tree.error);
  EXPECT_EQ(storedNames(tree), (std::vector<std::string>{"index.html"}));
  EXPECT_TRUE(warned(tree, src("broken.html"), "broken"));
  EXPECT_TRUE(warned(tree, src("outside.html"), "outside"));
  EXPECT_TRUE(warned(tree, src("sibling.html"), "outside"));
  EXPECT_TRUE(warned(tree, src("root"), "outside"));
  EXPECT_TRUE(warned(tree, src("sub/up"), "back into"));
  EXPECT_TRUE(warned(tree, src("here"), "back into"));
  EXPECT_TRUE(warned(tree, src("pipe"), "neither a file nor a folder"));
  EXPECT_EQ(tree.warnings.size(), 7u);
}

// Debian's manuals link their scripts to shared copies: with dereference the
// targets are stored under the links' names, a folder's files included, and a
// loop through the outside still stops; without it, each warning says how.
TEST_F(SourceTreeTest, DereferenceStoresWhatLinksLeadingOutsideLeadTo) {
  writeFile(src("index.html"), "i");
  writeFile(scratch_ / "shared/jquery.js", "js");
  writeFile(scratch_ / "shared/theme/style.css", "css");
  ::mkdir(src("_static").c_str(), 0700);
  link(scratch_ / "shared/jquery.js", "_static/jquery.js");
  link(scratch_ / "shared/theme", "_static/theme");
  // Back into the root: from inside it, and from the outside folder walked.
  link(src(), "_static/theme-loop");
  ::symlink(src().c_str(), (scratch_ / "shared/theme/back").c_str());
  link("missing.js", "_static/broken.js");

  SourceTree plain = collectSourceTree(src());
  ASSERT_FALSE(plain.error);
  EXPECT_TRUE(warned(plain, src("_static/jquery.js"), "-L (--dereference) stores what it leads to"));
  EXPECT_TRUE(warned(plain, src("_static/theme"), "-L (--dereference) stores what it leads to"));

  SourceTree tree = collectSourceTree(src(), {.dereference = true});
  ASSERT_FALSE(tree.error);
  EXPECT_EQ(storedNames(tree), (std::vector<std::string>{"_static\\jquery.js", "_static\\theme\\style.css",
                                                        "index.html"}));
  EXPECT_EQ(pagora::testing::readFile(tree.files[0].sourcePath), "js");
  EXPECT_TRUE(warned(tree, src("_static/broken.js"), "broken"));
  EXPECT_TRUE(warned(tree, "theme/back", "back into"));
  EXPECT_TRUE(warned(tree, src("_static/theme-loop"), "back into"));
}

// tar's rules: a pattern matches the whole stored name or any part of it that
// starts after a '/', '*' matches '/' too, and a folder that matches goes
// with everything in it.
TEST_F(SourceTreeTest, ExcludeLeavesOutExactlyWhatItsPatternsName) {
  for (const char* name : {"index.html", "_sources/index.rst.txt", "api/_sources/x.txt", "api/page.html",
                           "build.pyc", "lib/mod.pyc", "lib/mod.py", "notes/_sourcesX.html"}) {
    writeFile(src(name), name);
  }
  const SourceTree tree = collectSourceTree(src(), {.excludes = {"_sources", "*.pyc", "lib/*.py"}});
  ASSERT_FALSE(tree.error);
  EXPECT_EQ(storedNames(tree), (std::vector<std::string>{"api\\page.html", "index.html", "notes\\_sourcesX.html"}));

  struct Case {
    const char* pattern;
    const char* path;
    bool excluded;
  };
  for (const Case& c : {Case{"_sources", "_sources", true}, Case{"_sources", "a/b/_sources", true},
                        Case{"_sources", "x_sources", false}, Case{"a/*", "a/b/c.html", true},
                        Case{"*.html", "a/b.html", true}, Case{"b.htm", "a/b.html", false},
                        Case{"a/b", "x/a/b", true}, Case{"[ab].txt", "a.txt", true}}) {
    EXPECT_EQ(excludedBy(c.pattern, c.path), c.excluded) << c.pattern << " on " << c.path;
  }
}

// Two links that lead into each other's folders: each copy stops where it
// would enter a folder it is already inside.
TEST_F(SourceTreeTest, MutualLinksStopAtTheLoop) {
  writeFile(src("a/page.html"), "a");
  writeFile(src("b/page.html"), "b");
  link("../b", "a/to-b");
  link("../a", "b/to-a");
  SourceTree tree = collectSourceTree(src());
  ASSERT_FALSE(tree.error);
  EXPECT_EQ(storedNames(tree), (std::vector<std::string>{"a\\page.html", "a\\to-b\\page.html", "b\\page.html",
                                                        "b\\to-a\\page.html"}));
  EXPECT_EQ(tree.warnings.size(), 2u);
}

TEST_F(SourceTreeTest, RefusesTreesThatCannotBePacked) {
  struct Case {
    const char* what;
    std::vector<std::string> files;
    std::string failingPath;  // relative to src
    std::string reasonPart;
  };
  const Case cases[] = {
      {"a name with a backslash", {"ok.html", "sub/back\\slash.html"}, "sub/back\\slash.html", "'\\'"},
      {"a name with a drive prefix", {"C:evil.html"}, "C:evil.html", "leave the reader's folder"},
      {"no files at all", {}, "", "no files"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    pagora::testing::ScratchFolder scratch;
    const std::string root = scratch / "src";
    ::mkdir(root.c_str(), 0700);
    ::mkdir((root + "/empty-folder").c_str(), 0700);
    for (const std::string& file : c.files) writeFile(root + "/" + file, "x");
    SourceTree tree = collectSourceTree(root);
    ASSERT_TRUE(tree.error);
    EXPECT_EQ(tree.error->path, c.failingPath.empty() ? root : root + "/" + c.failingPath);
    EXPECT_NE(tree.error->reason.find(c.reasonPart), std::string::npos) << tree.error->reason;
  }
}

TEST_F(SourceTreeTest, MissingOrPlainFileRootIsAnError) {
  SourceTree missing = collectSourceTree(src("nothing"));
  ASSERT_TRUE(missing.error);
  EXPECT_EQ(missing.error->path, src("nothing"));
  writeFile(src("file"), "x");
  SourceTree plain = collectSourceTree(src("file"));
  ASSERT_TRUE(plain.error);
  EXPECT_EQ(plain.error->reason, "not a folder");
}

TEST_F(SourceTreeTest, UnreadableFolderIsAnError) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads folders whatever their mode";
  writeFile(src("index.html"), "i");
  writeFile(src("locked/page.html"), "p");
  ::chmod(src("locked").c_str(), 0);
  SourceTree tree = collectSourceTree(src());
  ASSERT_TRUE(tree.error);
  EXPECT_EQ(tree.error->path, src("locked"));
}

}  // namespace
}  // namespace pagora::book_tool
