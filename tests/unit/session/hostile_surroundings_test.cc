// The load in hostile surroundings: a temporary directory that cannot be
// written (made real for root, who passes every permission check, by a
// read-only or exhausted file system mounted for the run alone, or by a path
// that cannot be a folder), a disk that fills up during the extraction, too
// few file handles, and paths planted where the private folder or its files
// go. Every case says what the reader is told, and nothing may be written
// outside the private folder or be left once the clean-up has run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "child_setup.h"
#include "contained_load.h"
#include "container/format.h"
#include "container/load_messages.h"
#include "session/private_folder.h"
#include "support/book_image.h"
#include "support/load_probe_run.h"
#include "support/printers.h"
#include "support/scratch_folder.h"

namespace pagora::testing {
namespace {

// Where a case plants things and points the run: the test's temporary
// directory, and an outside folder holding a file that must stay untouched.
struct Places {
  std::string temp;     // ends in '/'
  std::string outside;  // ends in '/'
};

// What a case needs of the machine it runs on.
enum class Needs {
  kNothing,
  kRoot,           // giving a folder to another user
  kPrivateMounts,  // mounting in a namespace of its own
  kNoSanitizers,   // the sanitizers' runtime needs the file handles the case takes away
};

struct HostileCase {
  const char* name;
  void (*plant)(const Places& places);          // may be null
  ChildSetup (*inChild)(const Places& places);  // may be null
  std::vector<Notice> notices;
  std::set<std::string> kept;
  Needs needs = Needs::kNothing;
  const char* esbn = "hostile";
  friend void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }
};

const Notice kFolderFailed{kFolderFailureNotice, NoticeIcon::Warning};
const Notice kExtractionFailed{corrupted(load_message::kExtractionFailed), NoticeIcon::Warning};
const std::vector<Notice> kFolderRefused = {kFolderFailed, kExtractionFailed};
const std::vector<Notice> kFileFailed = {kExtractionFailed};

void symlinkOrFail(const std::string& target, const std::string& path) {
  ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
}

void mkdirOrFail(const std::string& path, mode_t mode = 0700) {
  ASSERT_EQ(::mkdir(path.c_str(), mode), 0) << path;
  ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

void chownToNobody(const std::string& path) { ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0) << path; }

void mkfifoOrFail(const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path; }

// A private folder left by an earlier run.
void leftover(const Places& p) { mkdirOrFail(p.temp + "hostile.qvx"); }

const std::set<std::string> kIndexOnly = {"hostile.qvx", "hostile.qvx/index.html", "hostile.qvx/images"};

// clang-format off
const std::vector<HostileCase> kHostileCases = {
    // A temporary directory that cannot take a folder.
    {"ReadOnlyFileSystem", nullptr, [](const Places& p) { return mountTmpfs(p.temp, "size=1m", true); },
     kFolderRefused, {}, Needs::kPrivateMounts},
    {"FileSystemWithoutFreeInodes", nullptr, [](const Places& p) { return mountTmpfs(p.temp, "nr_inodes=1"); },
     kFolderRefused, {}, Needs::kPrivateMounts},
    {"BelowARegularFile", nullptr, [](const Places& p) { return setTemporaryDirectory(p.outside + "victim.html/t"); },
     kFolderRefused, {}},
    {"IsARegularFile", nullptr, [](const Places& p) { return setTemporaryDirectory(p.outside + "victim.html"); },
     kFolderRefused, {}},
    {"PathLongerThanTheSystemTakes", nullptr,
     [](const Places&) { return setTemporaryDirectory("/" + std::string(5000, 't')); }, kFolderRefused, {}},

    // The disk fills up during the extraction: the cover, larger than what
    // is left, fails part way and is removed at once.
    {"DiskFillsUp", nullptr, [](const Places& p) { return mountTmpfs(p.temp, "size=32k"); },
     kFileFailed, kIndexOnly, Needs::kPrivateMounts},
    {"FileSizeLimitReached", nullptr, [](const Places&) { return limitFileSize(30000); }, kFileFailed, kIndexOnly},
    // Too few file handles to reach the private folder.
    {"TooFewFileHandles", nullptr, [](const Places&) { return limitOpenFiles(5); },
     kFolderRefused, {}, Needs::kNoSanitizers},

    // The private folder, or the folder of the esbn above it, planted before the run.
    {"PrivateFolderIsALink", [](const Places& p) { symlinkOrFail(p.outside, p.temp + "hostile.qvx"); }, nullptr,
     kFolderRefused, {"hostile.qvx"}},
    {"PrivateFolderIsADanglingLink",
     [](const Places& p) { symlinkOrFail(p.outside + "missing", p.temp + "hostile.qvx"); }, nullptr,
     kFolderRefused, {"hostile.qvx"}},
    {"PrivateFolderIsARegularFile", [](const Places& p) { writeFile(p.temp + "hostile.qvx", "planted"); },
     nullptr, kFolderRefused, {"hostile.qvx"}},
    {"PrivateFolderIsAFifo", [](const Places& p) { mkfifoOrFail(p.temp + "hostile.qvx"); },
     nullptr, kFolderRefused, {"hostile.qvx"}},
    {"PrivateFolderOfAnotherUser", [](const Places& p) { leftover(p); chownToNobody(p.temp + "hostile.qvx"); },
     nullptr, kFolderRefused, {"hostile.qvx"}, Needs::kRoot},
    {"PrivateFolderWritableByTheGroup", [](const Places& p) { mkdirOrFail(p.temp + "hostile.qvx", 0770); }, nullptr,
     kFolderRefused, {"hostile.qvx"}},
    {"PrivateFolderWritableByAll", [](const Places& p) { mkdirOrFail(p.temp + "hostile.qvx", 01777); }, nullptr,
     kFolderRefused, {"hostile.qvx"}},
    {"OuterFolderIsALink", [](const Places& p) { symlinkOrFail(p.outside, p.temp + "outer"); }, nullptr,
     kFolderRefused, {"outer"}, Needs::kNothing, "outer\\hostile"},
    {"OuterFolderWritableByAll", [](const Places& p) { mkdirOrFail(p.temp + "outer", 0777); }, nullptr,
     kFolderRefused, {"outer"}, Needs::kNothing, "outer\\hostile"},
    {"OuterFolderOfAnotherUser",
     [](const Places& p) { mkdirOrFail(p.temp + "outer", 0755); chownToNobody(p.temp + "outer"); }, nullptr,
     kFolderRefused, {"outer"}, Needs::kRoot, "outer\\hostile"},

    // A private folder left by an earlier run, holding things where the
    // book's files go. Nothing is written through them, and what this run did
    // not write stays.
    {"FileIsALinkToAnOutsideFile",
     [](const Places& p) {
       leftover(p);
       symlinkOrFail(p.outside + "victim.html", p.temp + "hostile.qvx/index.html");
     },
     nullptr, kFileFailed, {"hostile.qvx", "hostile.qvx/index.html"}},
    {"FileIsAFifo",
     [](const Places& p) { leftover(p); mkfifoOrFail(p.temp + "hostile.qvx/index.html"); },
     nullptr, kFileFailed, {"hostile.qvx", "hostile.qvx/index.html"}},
    {"FileIsAFolder", [](const Places& p) { leftover(p); mkdirOrFail(p.temp + "hostile.qvx/index.html"); }, nullptr,
     kFileFailed, {"hostile.qvx", "hostile.qvx/index.html"}},
    {"SubfolderIsALinkToAnOutsideFolder",
     [](const Places& p) { leftover(p); symlinkOrFail(p.outside, p.temp + "hostile.qvx/images"); }, nullptr,
     kFileFailed, kIndexOnly},
};
// clang-format on

class HostileSurroundingsTest : public ::testing::TestWithParam<HostileCase> {
 protected:
  // A book behind a copy of the load probe.
  std::string probeBook(const char* esbn, const std::vector<TestFile>& files) {
    BookRecipe recipe;
    recipe.viewer = readFile(loadProbePath());
    recipe.info = BookInfo{};
    recipe.info.esbn = esbn;
    recipe.files = files;
    const std::string path = workspace_.book("book");
    BookImage::build(recipe).writeTo(path);
    return path;
  }

  LoadWorkspace workspace_;
  Places places_{workspace_.temp(), workspace_.outside()};
};

TEST_P(HostileSurroundingsTest, TellsTheReaderAndWritesNothingOutsideThePrivateFolder) {
  const HostileCase& c = GetParam();
  if (c.needs == Needs::kRoot && ::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
  if (c.needs == Needs::kPrivateMounts && !canMountPrivately()) {
    GTEST_SKIP() << "mounting in a namespace of its own is not permitted here";
  }
  if (c.needs == Needs::kNoSanitizers && builtWithSanitizers()) {
    GTEST_SKIP() << "the sanitizers need the file handles this case takes away";
  }
  const std::string book =
      probeBook(c.esbn, {{"index.html", "<P>index"},
                         {"images\\cover.png", patternBytes(format::kTransferBufferSize + 8000)},
                         {"notes.txt", "notes"}});
  std::function<void()> plant;
  if (c.plant != nullptr) plant = [&] { c.plant(places_); };
  const ContainedLoad load =
      probeContained(workspace_, book, plant, c.inChild != nullptr ? c.inChild(places_) : ChildSetup{});
  EXPECT_EQ(load.notices, c.notices);
  EXPECT_EQ(load.kept, c.kept);
}

// A full disk leaves no room for the about page either: the reader hears of
// the missing index page and of the disk, and the empty page is removed.
TEST_F(HostileSurroundingsTest, AboutPageOnAFullDisk) {
  if (!canMountPrivately()) GTEST_SKIP() << "mounting in a namespace of its own is not permitted here";
  const std::string book = probeBook("full", {{"a.bin", std::string(16 * 1024, 'a')}});
  const ContainedLoad load = probeContained(workspace_, book, {}, mountTmpfs(workspace_.temp(), "size=16k"));
  EXPECT_EQ(load.notices, (std::vector<Notice>{{corrupted(load_message::kIndexNotFound), NoticeIcon::Warning},
                                               {kWriteFailureNotice, NoticeIcon::Warning}}));
  EXPECT_EQ(load.kept, (std::set<std::string>{"full.qvx", "full.qvx/a.bin", "full.qvx/__about.html"}));
  EXPECT_EQ(load.startPagePath, workspace_.temp() + "full.qvx/__about.html");
}

// Behind the load, as the viewer writes the rest of a book, a disk that fills
// up is told once the load is over, once, with the message of a failed
// folder, and the writing stops. The rest is written in two lanes: the one
// that does not meet the full disk may have written notes.txt meanwhile.
TEST_F(HostileSurroundingsTest, DiskFillingUpBehindTheLoadIsToldAfterIt) {
  struct Case {
    const char* name;
    ChildSetup inChild;
    Needs needs;
  };
  const Case cases[] = {
      {"file size limit", limitFileSize(30000), Needs::kNothing},
      {"small file system", mountTmpfs(workspace_.temp(), "size=32k"), Needs::kPrivateMounts},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needs == Needs::kPrivateMounts && !canMountPrivately()) continue;
    const std::string book = probeBook("hostile", {{"index.html", "<P>index"},
                                                   {"images\\cover.png", patternBytes(40000)},
                                                   {"notes.txt", "notes"}});
    const ContainedLoad load = probeContained(workspace_, book, {}, c.inChild, {"--behind"});
    EXPECT_EQ(load.notices, std::vector<Notice>{});
    EXPECT_EQ(load.lateNotices, std::vector<Notice>{kFolderFailed});
    std::set<std::string> withNotes = kIndexOnly;
    withNotes.insert("hostile.qvx/notes.txt");
    EXPECT_TRUE(load.kept == kIndexOnly || load.kept == withNotes) << ::testing::PrintToString(load.kept);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileSurroundingsTest, ::testing::ValuesIn(kHostileCases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace pagora::testing
