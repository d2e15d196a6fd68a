// Every way a book can be damaged, at the level where it is decided: each
// row damages the records before they are written or the bytes after, then
// states what the shared validation says (the load's message, and for a
// stored file, which one) and exactly which files and folders the shared
// extraction leaves when it writes the entries in order and stops at the
// first that fails, as the load and `pagora-book extract` both do. The load
// and the command line keep a few rows of their own that prove they pass
// this outcome on. Sweeps below the table damage every magic byte, check
// value bit, zero word, hashed text byte and truncation length.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <tuple>
#include <set>
#include <string>
#include <vector>

#include "container/book_extractor.h"
#include "container/book_validation.h"
#include "container/format.h"
#include "support/book_image.h"
#include "support/printers.h"
#include "support/scratch_folder.h"

namespace pagora {
namespace {

using testing::BookImage;
using Entries = std::vector<BookFileEntry>;
using Tree = std::set<std::string>;

// The book every row starts from: three files, the second larger than one
// transfer, and a string list of two texts.
testing::BookRecipe baseRecipe() {
  testing::BookRecipe recipe;
  recipe.files = {{"index.html", "<P>the index</P>"},
                  {"images\\cover.png", testing::patternBytes(format::kTransferBufferSize + 100, 7)},
                  {"notes.txt", "some notes"}};
  recipe.strings = {"first text", "second"};
  return recipe;
}

const Tree kNothing = {};
// The cover failed: its folder was made, the file removed at once.
const Tree kIndexOnly = {"index.html", "images"};
const Tree kFirstTwo = {"index.html", "images", "images/cover.png"};
const Tree kAll = {"index.html", "images", "images/cover.png", "notes.txt"};

Tree plus(Tree tree, const std::string& item) {
  tree.insert(item);
  return tree;
}

// What extraction in table order, stopping at the first failure, leaves below
// `root` (made here); nothing when the container itself fails its checks.
Tree extractInOrder(const std::string& book, const std::string& root) {
  ContainerReader reader(book);
  ParsedBook parsed;
  if (checkContainer(reader, parsed) != BookFault::None) return {};
  ::mkdir(root.c_str(), 0700);
  const platform::Directory folder = platform::Directory::open(root);
  BookExtractor extractor(reader, parsed, folder);
  for (int i = 0; i < parsed.fileTable.count(); ++i) {
    if (!extractor.extract(i)) break;
  }
  return testing::treeOf(root);
}

struct Row {
  const char* name;
  void (*records)(BookInfo&, Entries&);  // may be null
  void (*bytes)(BookImage&);             // may be null
  BookFault fault;                       // what the validation says
  int failedEntry;                       // the entry it names, or -1
  Tree extracted;
  friend void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }
};

constexpr auto kParse = BookFault::SelfParseFailed;
constexpr auto kExtraction = BookFault::ExtractionFailed;
constexpr auto kNone = BookFault::None;

// clang-format off
const Row kRows[] = {
    {"Undamaged", nullptr, nullptr, kNone, -1, kAll},
    {"RecordsNotScrambled", nullptr,
     [](BookImage& b) { b.xorFrom(b.headerAt(), format::kRecordScramble); }, kParse, -1, kNothing},

    // Sections cut short ahead of a trailer that survived.
    {"HeaderCutTrailerKept", nullptr, [](BookImage& b) { b.cutKeepingTrailer(b.headerAt() + 40); },
     kParse, -1, kNothing},
    {"StringListCutTrailerKept", nullptr, [](BookImage& b) { b.cutKeepingTrailer(b.stringListAt() + 12); },
     kParse, -1, kNothing},
    {"FileTableCutTrailerKept", nullptr, [](BookImage& b) { b.cutKeepingTrailer(b.entryAt(2) + 2); },
     kParse, -1, kNothing},
    {"BytesAfterTheTrailer", nullptr, [](BookImage& b) { b.append("x"); }, kParse, -1, kNothing},

    // Section offsets negative or past the end.
    {"HeaderOffsetMinusOne", nullptr, [](BookImage& b) { b.setWord(b.trailerField(1), -1); }, kParse, -1, kNothing},
    {"HeaderOffsetMostNegative", nullptr, [](BookImage& b) { b.setWord(b.trailerField(1), INT32_MIN); },
     kParse, -1, kNothing},
    {"HeaderOffsetZero", nullptr, [](BookImage& b) { b.setWord(b.trailerField(1), 0); }, kParse, -1, kNothing},
    {"HeaderOffsetAtTheEnd", nullptr, [](BookImage& b) { b.setWord(b.trailerField(1), b.size()); },
     kParse, -1, kNothing},
    {"HeaderOffsetPastTheEnd", nullptr, [](BookImage& b) { b.setWord(b.trailerField(1), b.size() + 1000); },
     kParse, -1, kNothing},
    {"HeaderOffsetLargest", nullptr, [](BookImage& b) { b.setWord(b.trailerField(1), INT32_MAX); },
     kParse, -1, kNothing},
    {"StringListOffsetNegative", nullptr, [](BookImage& b) { b.setWord(b.trailerField(2), -8); }, kParse, -1, kNothing},
    {"StringListOffsetMostNegative", nullptr, [](BookImage& b) { b.setWord(b.trailerField(2), INT32_MIN); },
     kParse, -1, kNothing},
    {"StringListOffsetPastTheEnd", nullptr, [](BookImage& b) { b.setWord(b.trailerField(2), b.size() + 8); },
     kParse, -1, kNothing},
    {"FileTableOffsetNegative", nullptr, [](BookImage& b) { b.setWord(b.trailerField(3), -4); }, kParse, -1, kNothing},
    {"FileTableOffsetLargest", nullptr, [](BookImage& b) { b.setWord(b.trailerField(3), INT32_MAX); },
     kParse, -1, kNothing},
    {"FileTableOffsetPastTheEnd", nullptr, [](BookImage& b) { b.setWord(b.trailerField(3), b.size() + 8); },
     kParse, -1, kNothing},
    {"FileTableOffsetAtTheTrailer", nullptr, [](BookImage& b) { b.setWord(b.trailerField(3), b.trailerAt()); },
     kParse, -1, kNothing},

    // Sections overlapping one another.
    {"HeaderOnTheStringList", nullptr, [](BookImage& b) { b.setWord(b.trailerField(1), b.stringListAt()); },
     kParse, -1, kNothing},
    {"HeaderInsideTheTrailer", nullptr, [](BookImage& b) { b.setWord(b.trailerField(1), b.trailerAt() + 4); },
     kParse, -1, kNothing},
    {"StringListOnTheHeader", nullptr, [](BookImage& b) { b.setWord(b.trailerField(2), b.headerAt()); },
     kParse, -1, kNothing},
    {"StringListOnTheFileTable", nullptr, [](BookImage& b) { b.setWord(b.trailerField(2), b.fileTableAt()); },
     kParse, -1, kNothing},
    {"FileTableOnTheStringList", nullptr, [](BookImage& b) { b.setWord(b.trailerField(3), b.stringListAt()); },
     kParse, -1, kNothing},
    {"FileTableOnTheHeader", nullptr, [](BookImage& b) { b.setWord(b.trailerField(3), b.headerAt()); },
     kParse, -1, kNothing},
    // File data read from the records instead: as long as it lies inside the
    // book it is extracted as it stands.
    {"DataOverTheHeader", nullptr,
     [](BookImage& b) { b.setWord(b.entryOffset(2), b.headerAt() - b.trailer().dataBase); }, kNone, -1, kAll},
    {"DataShared", [](BookInfo&, Entries& e) { e[2].offset = e[0].offset, e[2].size = e[0].size; }, nullptr,
     kNone, -1, kAll},
    {"DataBaseOnTheHeader", nullptr, [](BookImage& b) { b.setWord(b.trailerField(4), b.trailer().headerOffset); },
     kExtraction, 1, kIndexOnly},

    // Where the file data counts from.
    {"DataBaseNegative", nullptr, [](BookImage& b) { b.setWord(b.trailerField(4), -1000000); },
     kExtraction, 0, kNothing},
    {"DataBaseMostNegative", nullptr, [](BookImage& b) { b.setWord(b.trailerField(4), INT32_MIN); },
     kExtraction, 0, kNothing},
    {"DataBasePastTheEnd", nullptr, [](BookImage& b) { b.setWord(b.trailerField(4), b.size() + 10); },
     kExtraction, 0, kNothing},
    {"DataBaseLargest", nullptr, [](BookImage& b) { b.setWord(b.trailerField(4), INT32_MAX); },
     kExtraction, 0, kNothing},

    // Counts zero, negative, huge or disagreeing. A count of 0 is reported as
    // such even when the table holds records.
    {"NoFilesDeclaredNoneStored", [](BookInfo& i, Entries& e) { i.fileCount = 0, e.clear(); }, nullptr,
     BookFault::NoFiles, -1, kNothing},
    {"FileCountZero", [](BookInfo& i, Entries&) { i.fileCount = 0; }, nullptr, BookFault::NoFiles, -1, kNothing},
    {"FileCountNegative", [](BookInfo& i, Entries&) { i.fileCount = -1; }, nullptr,
     BookFault::FileCountsDiffer, -1, kNothing},
    {"FileCountMostNegative", [](BookInfo& i, Entries&) { i.fileCount = INT32_MIN; }, nullptr,
     BookFault::FileCountsDiffer, -1, kNothing},
    {"FileCountLargest", [](BookInfo& i, Entries&) { i.fileCount = INT32_MAX; }, nullptr,
     BookFault::FileCountsDiffer, -1, kNothing},
    {"FileCountOneMore", [](BookInfo& i, Entries&) { i.fileCount = 4; }, nullptr,
     BookFault::FileCountsDiffer, -1, kNothing},
    {"FileCountOneFewer", [](BookInfo& i, Entries&) { i.fileCount = 2; }, nullptr,
     BookFault::FileCountsDiffer, -1, kNothing},
    {"TableCountLargest", nullptr, [](BookImage& b) { b.setWord(b.tableCount(), INT32_MAX); }, kParse, -1, kNothing},
    // No records follow a count of zero or less: the rest is never read.
    {"TableCountNegative", nullptr, [](BookImage& b) { b.setWord(b.tableCount(), -5); },
     BookFault::FileCountsDiffer, -1, kNothing},
    {"TableCountZero", nullptr, [](BookImage& b) { b.setWord(b.tableCount(), 0); },
     BookFault::FileCountsDiffer, -1, kNothing},
    {"BothCountsZero", [](BookInfo& i, Entries&) { i.fileCount = 0; },
     [](BookImage& b) { b.setWord(b.tableCount(), 0); },
     BookFault::NoFiles, -1, kNothing},
    {"BothCountsOneMoreThanTheRecords", [](BookInfo& i, Entries&) { i.fileCount = 4; },
     [](BookImage& b) { b.setWord(b.tableCount(), 4); }, kParse, -1, kNothing},
    {"StringCountLargest", nullptr, [](BookImage& b) { b.setWord(b.stringCount(), INT32_MAX); }, kParse, -1, kNothing},
    {"StringCountOneMore", nullptr, [](BookImage& b) { b.setWord(b.stringCount(), 3); }, kParse, -1, kNothing},
    {"StringCountNegative", nullptr, [](BookImage& b) { b.setWord(b.stringCount(), -1); }, kNone, -1, kAll},

    // Text lengths past the end or negative.
    {"TitleLengthPastTheEnd", nullptr, [](BookImage& b) { b.setWord(b.titleLength(), b.size()); },
     kParse, -1, kNothing},
    {"TitleLengthLargest", nullptr, [](BookImage& b) { b.setWord(b.titleLength(), INT32_MAX); }, kParse, -1, kNothing},
    {"TitleLengthNegative", nullptr, [](BookImage& b) { b.setWord(b.titleLength(), -1); }, kParse, -1, kNothing},
    {"TitleLengthMostNegative", nullptr, [](BookImage& b) { b.setWord(b.titleLength(), INT32_MIN); },
     kParse, -1, kNothing},
    {"EsbnLengthPastTheEnd", nullptr, [](BookImage& b) { b.setWord(b.esbnLength(), b.size()); }, kParse, -1, kNothing},
    {"StringLengthPastTheEnd", nullptr, [](BookImage& b) { b.setWord(b.firstStringLength(), b.size()); },
     kParse, -1, kNothing},
    {"StringLengthNegative", nullptr, [](BookImage& b) { b.setWord(b.firstStringLength(), -3); }, kParse, -1, kNothing},
    {"NameLengthLargest", nullptr, [](BookImage& b) { b.setWord(b.entryNameLength(1), INT32_MAX); },
     kParse, -1, kNothing},
    {"NameLengthNegative", nullptr, [](BookImage& b) { b.setWord(b.entryNameLength(0), -2); }, kParse, -1, kNothing},
    // Read cut at the zero byte, the title no longer matches its check values.
    {"TitleHoldsAZeroByte", [](BookInfo& i, Entries&) { i.title = std::string("A Test\0Book", 11); }, nullptr,
     kParse, -1, kNothing},
    {"EsbnHoldsAZeroByte", [](BookInfo& i, Entries&) { i.esbn = std::string("bad\0/../../pagora-escape", 24); },
     nullptr, kNone, -1, kAll},

    // Stored names: empty, absolute, climbing out, holding a zero byte, too
    // long, or in the way of what the book holds.
    {"NameEmpty", [](BookInfo&, Entries& e) { e[2].name = ""; }, nullptr, kExtraction, 2, kFirstTwo},
    {"NameAbsolute", [](BookInfo&, Entries& e) { e[2].name = "/pagora-escape.html"; }, nullptr,
     kExtraction, 2, kFirstTwo},
    {"NameInTheParent", [](BookInfo&, Entries& e) { e[2].name = "..\\pagora-escape.html"; }, nullptr,
     kExtraction, 2, kFirstTwo},
    {"NameInTheParentWithSlash", [](BookInfo&, Entries& e) { e[2].name = "../pagora-escape.html"; }, nullptr,
     kExtraction, 2, kFirstTwo},
    {"NameClimbingOutOfASubfolder", [](BookInfo&, Entries& e) { e[2].name = "images\\..\\..\\pagora-escape.html"; },
     nullptr, kExtraction, 2, kFirstTwo},
    {"NameClimbingFar", [](BookInfo&, Entries& e) { e[2].name = "..\\..\\..\\..\\..\\..\\..\\..\\pagora-escape"; },
     nullptr, kExtraction, 2, kFirstTwo},
    {"NameWithADrive", [](BookInfo&, Entries& e) { e[2].name = "C:\\pagora-escape.html"; }, nullptr,
     kExtraction, 2, kFirstTwo},
    {"NameEndingInASeparator", [](BookInfo&, Entries& e) { e[2].name = "notes\\"; }, nullptr,
     kExtraction, 2, kFirstTwo},
    {"NameDot", [](BookInfo&, Entries& e) { e[2].name = "."; }, nullptr, kExtraction, 2, kFirstTwo},
    {"NameDotDot", [](BookInfo&, Entries& e) { e[2].name = ".."; }, nullptr, kExtraction, 2, kFirstTwo},
    {"NameAbsoluteWithABackslash", [](BookInfo&, Entries& e) { e[2].name = "\\pagora-escape.html"; }, nullptr,
     kExtraction, 2, kFirstTwo},
    {"NameWithAnEmptyFolder", [](BookInfo&, Entries& e) { e[2].name = "images\\\\pagora-escape.html"; }, nullptr,
     kExtraction, 2, kFirstTwo},
    {"NameInTheCurrentFolder", [](BookInfo&, Entries& e) { e[2].name = ".\\pagora-escape.html"; }, nullptr,
     kExtraction, 2, kFirstTwo},
    {"NameWithADotFolder", [](BookInfo&, Entries& e) { e[2].name = "a/./pagora-escape"; }, nullptr,
     kExtraction, 2, kFirstTwo},
    {"NameHoldsAZeroByte", [](BookInfo&, Entries& e) { e[2].name = std::string("notes\0/../pagora-escape", 23); },
     nullptr, kNone, -1, plus(kFirstTwo, "notes")},
    {"NameLongerThanAFileName", [](BookInfo&, Entries& e) { e[2].name = std::string(300, 'n'); }, nullptr,
     kNone, -1, kFirstTwo},
    {"NameOfAFolderMadeBefore", [](BookInfo&, Entries& e) { e[2].name = "images"; }, nullptr, kNone, -1, kFirstTwo},
    {"NameBelowAStoredFile", [](BookInfo&, Entries& e) { e[2].name = "index.html\\x"; }, nullptr,
     kNone, -1, kFirstTwo},
    {"NameRepeated", [](BookInfo&, Entries& e) { e[2].name = "index.html"; }, nullptr, kNone, -1, kFirstTwo},

    // File data past the end of the book, or before its start. A size of
    // zero or less is an empty file, wherever it points.
    {"DataSizePastTheEnd", [](BookInfo&, Entries& e) { e[2].size = 1 << 30; }, nullptr, kExtraction, 2, kFirstTwo},
    {"DataSizeLargest", [](BookInfo&, Entries& e) { e[2].size = INT32_MAX; }, nullptr, kExtraction, 2, kFirstTwo},
    {"DataSizeOneBytePastTheEnd", nullptr,
     [](BookImage& b) { b.setWord(b.entrySize(2), b.size() - b.trailer().dataBase - b.entries()[2].offset + 1); },
     kExtraction, 2, kFirstTwo},
    {"DataOffsetPastTheEnd", [](BookInfo&, Entries& e) { e[2].offset = 1 << 30; }, nullptr, kExtraction, 2, kFirstTwo},
    {"DataOffsetLargest", [](BookInfo&, Entries& e) { e[2].offset = INT32_MAX; }, nullptr, kExtraction, 2, kFirstTwo},
    {"DataOffsetBeforeTheFile", nullptr,
     [](BookImage& b) { b.setWord(b.entryOffset(2), -b.trailer().dataBase - 1); }, kExtraction, 2, kFirstTwo},
    {"DataOffsetMostNegative", [](BookInfo&, Entries& e) { e[2].offset = INT32_MIN; }, nullptr,
     kExtraction, 2, kFirstTwo},
    {"CoverDataPastTheEnd", [](BookInfo&, Entries& e) { e[1].size = 1 << 30; }, nullptr, kExtraction, 1, kIndexOnly},
    {"DataSizeNegative", [](BookInfo&, Entries& e) { e[2].size = -1; }, nullptr, kNone, -1, kAll},
    {"DataSizeMostNegative", [](BookInfo&, Entries& e) { e[2].size = INT32_MIN; }, nullptr, kNone, -1, kAll},
    {"EmptyEntryFarAway", [](BookInfo&, Entries& e) { e[2].offset = INT32_MAX, e[2].size = 0; }, nullptr,
     kNone, -1, kAll},

    // Start pages: the whole name in any letter case, at the top only.
    {"StartPageInCapitals", [](BookInfo&, Entries& e) { e[0].name = "INDEX.HTM"; }, nullptr,
     kNone, -1, {"INDEX.HTM", "images", "images/cover.png", "notes.txt"}},
    {"NoStartPage", [](BookInfo&, Entries& e) { e[0].name = "start.html"; }, nullptr,
     BookFault::IndexNotFound, -1, {"start.html", "images", "images/cover.png", "notes.txt"}},
    {"StartPageOnlyInAFolder", [](BookInfo&, Entries& e) { e[0].name = "docs\\index.html"; }, nullptr,
     BookFault::IndexNotFound, -1, {"docs", "docs/index.html", "images", "images/cover.png", "notes.txt"}},
    // The stored file that fails is named before a missing start page is.
    {"NoStartPageAndAnUnsafeName", [](BookInfo&, Entries& e) { e[0].name = "start.html", e[2].name = ".."; },
     nullptr, kExtraction, 2, {"start.html", "images", "images/cover.png"}},
};
// clang-format on

class CorruptionTableTest : public ::testing::TestWithParam<Row> {};

TEST_P(CorruptionTableTest, ValidationAndExtractionAgreeAndStayInsideTheirFolder) {
  const Row& row = GetParam();
  testing::ScratchFolder scratch;
  testing::BookRecipe recipe = baseRecipe();
  if (row.records != nullptr) recipe.editRecords = row.records;
  BookImage image = BookImage::build(recipe);
  if (row.bytes != nullptr) row.bytes(image);
  const std::string book = scratch / "book";
  image.writeTo(book);

  const BookCheck check = checkBook(book);
  EXPECT_EQ(check.fault, row.fault);
  EXPECT_EQ(check.failedEntry, row.failedEntry);
  EXPECT_EQ(check.entryProblem.empty(), row.failedEntry < 0) << check.entryProblem;

  EXPECT_EQ(extractInOrder(book, scratch / "out"), row.extracted);
  Tree top;
  for (const std::string& path : testing::treeOf(scratch.path())) {
    if (path.find('/') == std::string::npos) top.insert(path);
  }
  EXPECT_TRUE(top == Tree{"book"} || top == (Tree{"book", "out"})) << "written outside its folder";
  for (const char* escape : {"/pagora-escape", "/pagora-escape.html", "/tmp/pagora-escape.html"}) {
    EXPECT_FALSE(testing::exists(escape)) << escape;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, CorruptionTableTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

// The sweeps damage a small book and read it from memory: only the parse is
// at stake.
class CorruptionSweepTest : public ::testing::Test {
 protected:
  static BookImage smallBook() {
    testing::BookRecipe recipe;
    recipe.files = {{"index.html", "<p>index</p>"}, {"images\\a.png", "PNG"}};
    recipe.strings = {"first text", "second"};
    return BookImage::build(recipe);
  }
  BookFault faultOf(const std::string& bytes) {
    memory_.assign(bytes);
    return checkBook(memory_.path()).fault;
  }
  BookFault faultOf(const BookImage& damaged) { return faultOf(damaged.bytes()); }

  const BookImage good_ = smallBook();
  testing::MemoryFile memory_;
};

TEST_F(CorruptionSweepTest, TheUndamagedBookHasEachMagicWhereTheLayoutSays) {
  ASSERT_EQ(faultOf(good_), BookFault::None);
  const std::vector<std::int64_t> positions = good_.magics();
  const std::uint32_t magics[] = {format::TRAILER_MAGIC, format::TRAILER_END_MAGIC, format::HEADER_MAGIC,
                                  format::HEADER_END_MAGIC, format::STRING_LIST_MAGIC, format::FILE_TABLE_MAGIC,
                                  format::FILE_ENTRY_MAGIC, format::FILE_ENTRY_MAGIC};
  ASSERT_EQ(positions.size(), std::size(magics));
  for (std::size_t i = 0; i < positions.size(); ++i) {
    EXPECT_EQ(static_cast<std::uint32_t>(good_.word(positions[i])), magics[i]) << "at " << positions[i];
  }
  for (int i = 0; i < 4; ++i) EXPECT_EQ(good_.word(good_.zeroWord(i)), 0);
  EXPECT_EQ(good_.word(good_.zeroWord(4)), 1) << "printAllowed, set, follows the zero words";
}

TEST_F(CorruptionSweepTest, EveryMagicByteMatters) {
  for (const std::int64_t magic : good_.magics()) {
    for (int byte = 0; byte < 4; ++byte) {
      BookImage damaged = good_;
      damaged.flipBit(magic + byte, byte * 2);
      EXPECT_EQ(faultOf(damaged), BookFault::SelfParseFailed) << "magic at " << magic << ", byte " << byte;
    }
  }
}

TEST_F(CorruptionSweepTest, EveryCheckValueIsVerifiedInEveryBit) {
  for (int value = 0; value < 12; ++value) {
    for (int bit = 0; bit < 32; ++bit) {
      BookImage damaged = good_;
      damaged.flipBit(good_.checkValue(value) + bit / 8, bit % 8);
      EXPECT_EQ(faultOf(damaged), BookFault::SelfParseFailed) << "check value " << value + 1 << ", bit " << bit;
    }
  }
}

TEST_F(CorruptionSweepTest, ZeroWordsMustBeZero) {
  for (int word = 0; word < 4; ++word) {
    for (std::int32_t value : {1, -1, INT32_MIN}) {
      BookImage damaged = good_;
      damaged.setWord(good_.zeroWord(word), value);
      EXPECT_EQ(faultOf(damaged), BookFault::SelfParseFailed) << "zero word " << word << " = " << value;
    }
  }
}

// The check values cover the title, the author and the contents notice by
// their hashes: a changed byte in any of them no longer matches.
TEST_F(CorruptionSweepTest, EveryByteOfTheHashedTextsIsCovered) {
  const BookInfo& info = good_.info();
  const std::int64_t title = good_.titleLength() + 4;
  const std::int64_t author = title + static_cast<std::int64_t>(info.title.size()) + 4;
  const std::int64_t notice = good_.checkValue(0) - static_cast<std::int64_t>(info.contentsNotice.size());
  for (const auto& [what, start, length] : {std::tuple{"title", title, info.title.size()},
                                            std::tuple{"author", author, info.author.size()},
                                            std::tuple{"contents notice", notice, info.contentsNotice.size()}}) {
    for (std::int64_t i = 0; i < static_cast<std::int64_t>(length); ++i) {
      BookImage damaged = good_;
      damaged.flipBit(start + i, 0);
      EXPECT_EQ(faultOf(damaged), BookFault::SelfParseFailed) << what << " byte " << i;
    }
  }
}

TEST_F(CorruptionSweepTest, EveryTruncationFailsTheParse) {
  for (std::int64_t size = good_.size() - 1; size >= 0; --size) {
    ASSERT_EQ(faultOf(good_.bytes().substr(0, static_cast<std::size_t>(size))), BookFault::SelfParseFailed)
        << "cut to " << size << " bytes";
  }
}

}  // namespace
}  // namespace pagora
