// Where the record of reading places goes and how it is kept on disk: one
// entry per esbn in a 0600 file of a 0700 folder, replaced whole, the latest
// 500 books; a record file that is damaged or not a plain file reads as no
// record and is replaced; where nothing can be written, nothing is, and the
// old record stays.
#include "session/reading_places.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "child_setup.h"
#include "support/scratch_folder.h"
#include "viewer_child.h"

namespace pagora::testing {
namespace {

struct LocationCase {
  const char* noState;
  const char* stateHome;
  const char* home;
  std::optional<StateLocation> expected;
};

TEST(ReadingPlacesLocationTest, FollowsTheStateHomeElseTheHomeUnlessTurnedOff) {
  const StateLocation inHome{"/home/r", ".local/state/pagora"};
  const LocationCase cases[] = {
      {nullptr, nullptr, "/home/r", inHome},
      {nullptr, nullptr, "/home/r//", inHome},
      {nullptr, "/var/state", "/home/r", StateLocation{"/var", "state/pagora"}},
      {nullptr, "/state//", "/home/r", StateLocation{"/", "state/pagora"}},
      {nullptr, "/", "/home/r", StateLocation{"/", "pagora"}},
      {nullptr, "relative/state", "/home/r", inHome},  // not absolute: ignored
      {nullptr, "", "/home/r", inHome},
      {"", nullptr, "/home/r", inHome},
      {"0", "/var/state", "/home/r", StateLocation{"/var", "state/pagora"}},
      {"1", "/var/state", "/home/r", std::nullopt},
      {"yes", nullptr, "/home/r", std::nullopt},
      {nullptr, nullptr, nullptr, std::nullopt},
      {nullptr, nullptr, "", std::nullopt},
      {nullptr, nullptr, "home", std::nullopt},
  };
  for (const LocationCase& c : cases) {
    SCOPED_TRACE(std::string(c.noState ? c.noState : "(unset)") + " " + (c.stateHome ? c.stateHome : "(unset)") +
                 " " + (c.home ? c.home : "(unset)"));
    EXPECT_EQ(readingPlacesLocation(c.noState, c.stateHome, c.home), c.expected);
  }
}

ReadingPlace placeAt(std::int64_t scrollY, std::string page = "index.html") {
  return {std::move(page), scrollY, "medium", "book", 800, 600};
}

class ReadingPlacesTest : public ::testing::Test {
 protected:
  void SetUp() override { ::mkdir(home().c_str(), 0700); }

  std::string home() const { return scratch_ / "home"; }
  std::string folder() const { return home() + "/.local/state/pagora"; }
  std::string record() const { return folder() + "/reading-places"; }

  ScratchFolder scratch_;
  ReadingPlaces places_{StateLocation{home(), ".local/state/pagora"}};
};

TEST_F(ReadingPlacesTest, KeepsOneEntryPerEsbnInAPrivateFileReplacedWhole) {
  ASSERT_TRUE(places_.remember("first", placeAt(10)));
  ASSERT_TRUE(places_.remember("second", placeAt(20, "images\\b.html")));
  ASSERT_TRUE(places_.remember("first", placeAt(30)));

  EXPECT_EQ(places_.entries(), (std::vector<ReadingPlaceEntry>{{"second", placeAt(20, "images\\b.html")},
                                                               {"first", placeAt(30)}}));
  EXPECT_EQ(places_.find("first"), placeAt(30));
  EXPECT_EQ(places_.find("third"), std::nullopt);
  for (const std::string& made : {home() + "/.local", home() + "/.local/state", folder()}) {
    EXPECT_EQ(modeOf(made), 0700u) << made;
  }
  EXPECT_EQ(modeOf(record()), 0600u);
  // No temporary file is left beside it.
  EXPECT_EQ(treeOf(folder()), std::set<std::string>{"reading-places"});
}

TEST_F(ReadingPlacesTest, BooksWithoutAnEsbnAreNotRemembered) {
  EXPECT_FALSE(places_.remember("", placeAt(10)));
  EXPECT_EQ(places_.find(""), std::nullopt);
  EXPECT_FALSE(exists(home() + "/.local"));
}

TEST_F(ReadingPlacesTest, KeepsTheFiveHundredBooksClosedLast) {
  for (int book = 0; book <= 500; ++book) ASSERT_TRUE(places_.remember("book" + std::to_string(book), placeAt(book)));
  auto entries = places_.entries();
  ASSERT_EQ(entries.size(), ReadingPlaces::kMaxBooks);
  EXPECT_EQ(entries.front().esbn, "book1");
  EXPECT_EQ(entries.back().esbn, "book500");

  // Closing a book again makes it the newest: the oldest other one goes next.
  ASSERT_TRUE(places_.remember("book1", placeAt(1)));
  ASSERT_TRUE(places_.remember("book501", placeAt(501)));
  entries = places_.entries();
  ASSERT_EQ(entries.size(), ReadingPlaces::kMaxBooks);
  EXPECT_EQ(entries.front().esbn, "book3");
  EXPECT_EQ(entries[entries.size() - 2].esbn, "book1");
  EXPECT_EQ(places_.find("book2"), std::nullopt);
}

struct PlantedRecord {
  const char* name;
  void (*plant)(const std::string& record);
  bool replaceable;  // whether a new record can take its place
};

TEST_F(ReadingPlacesTest, ARecordThatIsNotAPlainReadableFileIsNoRecord) {
  const PlantedRecord cases[] = {
      {"garbage", [](const std::string& record) { writeFile(record, patternBytes(3000)); }, true},
      {"too long",
       [](const std::string& record) {
         std::string text = "pagora reading places 1\nbook\tindex.html\t5\tmedium\tbook\t800\t600\n";
         text.resize(ReadingPlaces::kMaxRecordBytes + 1, '\n');
         writeFile(record, text);
       },
       true},
      {"a link to a record elsewhere",
       [](const std::string& record) {
         const std::string elsewhere = record + ".elsewhere";
         writeFile(elsewhere, "pagora reading places 1\nbook\tindex.html\t5\tmedium\tbook\t800\t600\n");
         ASSERT_EQ(::symlink(elsewhere.c_str(), record.c_str()), 0);
       },
       true},
      {"a FIFO", [](const std::string& record) { ASSERT_EQ(::mkfifo(record.c_str(), 0600), 0); }, true},
      {"a folder", [](const std::string& record) { ASSERT_EQ(::mkdir(record.c_str(), 0700), 0); }, false},
  };
  for (const PlantedRecord& c : cases) {
    SCOPED_TRACE(c.name);
    scratch_.empty();
    ::mkdir(home().c_str(), 0700);
    ASSERT_TRUE(places_.remember("other", placeAt(1)));
    ASSERT_EQ(::unlink(record().c_str()), 0);
    c.plant(record());

    EXPECT_EQ(places_.find("book"), std::nullopt);
    EXPECT_EQ(places_.remember("book", placeAt(9)), c.replaceable);
    EXPECT_EQ(places_.find("book"), c.replaceable ? std::optional(placeAt(9)) : std::nullopt);
    if (c.replaceable) {
      EXPECT_EQ(modeOf(record()), 0600u);
    }
    // Written or not, no temporary file stays.
    for (const std::string& name : treeOf(folder())) EXPECT_FALSE(name.starts_with(".reading-places")) << name;
  }
}

TEST_F(ReadingPlacesTest, AFolderOthersMayWriteIsNotUsed) {
  ASSERT_TRUE(places_.remember("book", placeAt(5)));
  ASSERT_EQ(::chmod(folder().c_str(), 0777), 0);
  EXPECT_EQ(places_.find("book"), std::nullopt);
  EXPECT_FALSE(places_.remember("book", placeAt(6)));
  ASSERT_EQ(::chmod(folder().c_str(), 0700), 0);
  EXPECT_EQ(places_.find("book"), placeAt(5));
}

TEST_F(ReadingPlacesTest, NothingIsMadeWithoutAHomeOrWhenTurnedOff) {
  ReadingPlaces homeless{StateLocation{scratch_ / "missing", ".local/state/pagora"}};
  EXPECT_FALSE(homeless.remember("book", placeAt(5)));
  EXPECT_EQ(homeless.find("book"), std::nullopt);
  EXPECT_FALSE(exists(scratch_ / "missing"));

  ReadingPlaces off{std::nullopt};
  EXPECT_FALSE(off.enabled());
  EXPECT_FALSE(off.remember("book", placeAt(5)));
  EXPECT_TRUE(off.forgetAll());
  EXPECT_EQ(treeOf(scratch_.path()), std::set<std::string>{"home"});
}

// In a child, so that a read-only mount holds for it alone (root writes
// through permissions); its exit status says whether it wrote.
int rememberInChild(const ChildSetup& setup, ReadingPlaces& places) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (setup) setup();
    ::_exit(places.remember("new", placeAt(7)) ? 1 : 0);
  }
  const int status = waitForExit(child);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Root writes through permissions: a read-only mount of the home stands in.
TEST_F(ReadingPlacesTest, AReadOnlyHomeOrStateFolderIsLeftAsItWas) {
  const bool root = ::geteuid() == 0;
  if (root && !canMountPrivately()) GTEST_SKIP() << "root passes permissions, and mounting is not permitted here";
  const ChildSetup readOnlyHome = root ? bindReadOnly(home()) : ChildSetup{};

  // No state folder yet: none is made.
  if (!root) {
    ASSERT_EQ(::chmod(home().c_str(), 0500), 0);
  }
  EXPECT_EQ(rememberInChild(readOnlyHome, places_), 0) << "written";
  if (!root) {
    ASSERT_EQ(::chmod(home().c_str(), 0700), 0);
  }
  EXPECT_EQ(treeOf(home()), std::set<std::string>{});

  // A record already kept stays as it was.
  ASSERT_TRUE(places_.remember("old", placeAt(3)));
  const std::string before = readFile(record());
  if (!root) {
    ASSERT_EQ(::chmod(folder().c_str(), 0500), 0);
  }
  EXPECT_EQ(rememberInChild(readOnlyHome, places_), 0) << "written";
  if (!root) {
    ASSERT_EQ(::chmod(folder().c_str(), 0700), 0);
  }
  EXPECT_EQ(readFile(record()), before);
  EXPECT_EQ(treeOf(folder()), std::set<std::string>{"reading-places"});
}

TEST_F(ReadingPlacesTest, ForgetRemovesTheRecord) {
  EXPECT_TRUE(places_.forgetAll());  // none yet
  ASSERT_TRUE(places_.remember("book", placeAt(5)));
  EXPECT_TRUE(places_.forgetAll());
  EXPECT_EQ(places_.find("book"), std::nullopt);
  EXPECT_FALSE(exists(record()));
  EXPECT_TRUE(places_.forgetAll());
}

}  // namespace
}  // namespace pagora::testing
