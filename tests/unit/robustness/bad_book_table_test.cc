// A table of damaged books, each a real book file given to the real load.
// Every row states what the reader is told and exactly what is under the
// temporary directory when the clean-up is skipped; every run must also stay
// inside the private folder and leave nothing once the clean-up has run.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <vector>

#include "bad_book.h"
#include "contained_run.h"
#include "container/format.h"

namespace pagora::robustness {
namespace {

using Entries = std::vector<BookFileEntry>;
using Bytes = BookBytes;

struct BadBookRow {
  const char* name;
  RecordEdit records;  // before the sections are written; may be null
  ByteEdit bytes;      // on the written book; may be null
  std::vector<std::string> notices;
  std::set<std::string> kept;
  friend void PrintTo(const BadBookRow& row, std::ostream* os) { *os << row.name; }
};

const std::vector<std::string> kUnreadable = {kSelfParseFailed};
const std::vector<std::string> kFileFailed = {kExtractionFailed};
const std::vector<std::string> kFolderRefused = {kFolderFailed, kExtractionFailed};
const std::vector<std::string> kSilent = {};

const std::set<std::string> kNothing = {};
const std::set<std::string> kFolderOnly = {"bad.qvx"};
// The cover failed: its folder was made, its file removed at once.
const std::set<std::string> kIndexOnly = {"bad.qvx", "bad.qvx/index.html", "bad.qvx/images"};
const std::set<std::string> kFirstTwo = {"bad.qvx", "bad.qvx/index.html", "bad.qvx/images",
                                         "bad.qvx/images/cover.png"};
const std::set<std::string> kAll = {"bad.qvx", "bad.qvx/index.html", "bad.qvx/images", "bad.qvx/images/cover.png",
                                    "bad.qvx/notes.txt"};

std::set<std::string> plus(std::set<std::string> set, const std::string& item) {
  set.insert(item);
  return set;
}

// A path of `depth` one-letter folders ending in a file: longer than any
// path the system takes, though every part of it is short.
std::string deepPath(int depth) {
  std::string path;
  for (int i = 0; i < depth; ++i) path += "d\\";
  return path + "x";
}
constexpr int kBeyondPathMax = PATH_MAX / 2 + 50;

template <int N>
void damageCheckValue(Bytes& b) {
  const std::int64_t at = b.layout().checkValues + 4 * N;
  b.setWord(at, b.word(at) + 1);
}

template <int N>
void damageZeroWord(Bytes& b) {
  b.setWord(b.layout().zeroWords + 4 * N, N % 2 == 0 ? 1 : -1);
}

void cutKeepingTrailer(Bytes& b, std::int64_t at) {
  const std::string trailer = b.trailerBytes();
  b.truncate(at);
  b.bytes() += trailer;
}

// clang-format off
const std::vector<BadBookRow> kBadBooks = {
    // Magics: one bit of each.
    {"TrailerMagic", nullptr, [](Bytes& b) { b.flipBit(b.trailerField(0), 0); }, kUnreadable, kNothing},
    {"TrailerEndMagic", nullptr, [](Bytes& b) { b.flipBit(b.trailerField(5) + 3, 7); }, kUnreadable, kNothing},
    {"HeaderMagic", nullptr, [](Bytes& b) { b.flipBit(b.layout().header + 1, 3); }, kUnreadable, kNothing},
    {"HeaderEndMagic", nullptr, [](Bytes& b) { b.flipBit(b.layout().headerEndMagic + 2, 1); }, kUnreadable, kNothing},
    {"StringListMagic", nullptr, [](Bytes& b) { b.flipBit(b.layout().stringList, 5); }, kUnreadable, kNothing},
    {"FileTableMagic", nullptr, [](Bytes& b) { b.flipBit(b.layout().fileTable + 3, 2); }, kUnreadable, kNothing},
    {"FirstEntryMagic", nullptr, [](Bytes& b) { b.flipBit(b.layout().entries[0], 6); }, kUnreadable, kNothing},
    {"LastEntryMagic", nullptr, [](Bytes& b) { b.flipBit(b.layout().entries[2] + 1, 0); }, kUnreadable, kNothing},
    {"RecordsNotScrambled", nullptr,
     [](Bytes& b) { for (auto i = b.layout().header; i < b.size(); ++i) b.bytes()[i] ^= format::kRecordScramble; },
     kUnreadable, kNothing},

    // Check values and zero words.
    {"CheckValue1", nullptr, damageCheckValue<0>, kUnreadable, kNothing},
    {"CheckValue2", nullptr, damageCheckValue<1>, kUnreadable, kNothing},
    {"CheckValue3", nullptr, damageCheckValue<2>, kUnreadable, kNothing},
    {"CheckValue4", nullptr, damageCheckValue<3>, kUnreadable, kNothing},
    {"CheckValue5", nullptr, damageCheckValue<4>, kUnreadable, kNothing},
    {"CheckValue6", nullptr, damageCheckValue<5>, kUnreadable, kNothing},
    {"CheckValue7", nullptr, damageCheckValue<6>, kUnreadable, kNothing},
    {"CheckValue8", nullptr, damageCheckValue<7>, kUnreadable, kNothing},
    {"CheckValue9", nullptr, damageCheckValue<8>, kUnreadable, kNothing},
    {"CheckValue10", nullptr, damageCheckValue<9>, kUnreadable, kNothing},
    {"CheckValue11", nullptr, damageCheckValue<10>, kUnreadable, kNothing},
    {"CheckValue12", nullptr, damageCheckValue<11>, kUnreadable, kNothing},
    {"ZeroWord1", nullptr, damageZeroWord<0>, kUnreadable, kNothing},
    {"ZeroWord2", nullptr, damageZeroWord<1>, kUnreadable, kNothing},
    {"ZeroWord3", nullptr, damageZeroWord<2>, kUnreadable, kNothing},
    {"ZeroWord4", nullptr, damageZeroWord<3>, kUnreadable, kNothing},

    // Truncation at every section boundary, and sections cut short ahead of
    // a trailer that survived.
    {"CutToTheViewer", nullptr, [](Bytes& b) { b.truncate(b.trailer().dataBase); }, kUnreadable, kNothing},
    {"CutInsideTheData", nullptr, [](Bytes& b) { b.truncate(b.trailer().dataBase + 1000); }, kUnreadable, kNothing},
    {"CutAtTheHeader", nullptr, [](Bytes& b) { b.truncate(b.layout().header); }, kUnreadable, kNothing},
    {"CutAtTheStringList", nullptr, [](Bytes& b) { b.truncate(b.layout().stringList); }, kUnreadable, kNothing},
    {"CutAtTheFileTable", nullptr, [](Bytes& b) { b.truncate(b.layout().fileTable); }, kUnreadable, kNothing},
    {"CutAtTheTrailer", nullptr, [](Bytes& b) { b.truncate(b.layout().trailer); }, kUnreadable, kNothing},
    {"CutOneByteShort", nullptr, [](Bytes& b) { b.truncate(b.size() - 1); }, kUnreadable, kNothing},
    {"HeaderCutTrailerKept", nullptr, [](Bytes& b) { cutKeepingTrailer(b, b.layout().header + 40); },
     kUnreadable, kNothing},
    {"StringListCutTrailerKept", nullptr, [](Bytes& b) { cutKeepingTrailer(b, b.layout().stringList + 12); },
     kUnreadable, kNothing},
    {"FileTableCutTrailerKept", nullptr, [](Bytes& b) { cutKeepingTrailer(b, b.layout().entries[2] + 2); },
     kUnreadable, kNothing},

    // Section offsets negative or past the end.
    {"HeaderOffsetMinusOne", nullptr, [](Bytes& b) { b.setTrailerField(1, -1); }, kUnreadable, kNothing},
    {"HeaderOffsetMostNegative", nullptr, [](Bytes& b) { b.setTrailerField(1, INT32_MIN); }, kUnreadable, kNothing},
    {"HeaderOffsetZero", nullptr, [](Bytes& b) { b.setTrailerField(1, 0); }, kUnreadable, kNothing},
    {"HeaderOffsetAtTheEnd", nullptr, [](Bytes& b) { b.setTrailerField(1, b.size()); }, kUnreadable, kNothing},
    {"HeaderOffsetPastTheEnd", nullptr, [](Bytes& b) { b.setTrailerField(1, b.size() + 1000); }, kUnreadable, kNothing},
    {"HeaderOffsetLargest", nullptr, [](Bytes& b) { b.setTrailerField(1, INT32_MAX); }, kUnreadable, kNothing},
    {"StringListOffsetNegative", nullptr, [](Bytes& b) { b.setTrailerField(2, -8); }, kUnreadable, kNothing},
    {"StringListOffsetPastTheEnd", nullptr, [](Bytes& b) { b.setTrailerField(2, b.size() + 8); },
     kUnreadable, kNothing},
    {"FileTableOffsetNegative", nullptr, [](Bytes& b) { b.setTrailerField(3, -4); }, kUnreadable, kNothing},
    {"FileTableOffsetLargest", nullptr, [](Bytes& b) { b.setTrailerField(3, INT32_MAX); }, kUnreadable, kNothing},
    {"FileTableOffsetAtTheTrailer", nullptr, [](Bytes& b) { b.setTrailerField(3, b.layout().trailer); },
     kUnreadable, kNothing},

    // Sections overlapping one another.
    {"HeaderOnTheStringList", nullptr, [](Bytes& b) { b.setTrailerField(1, b.layout().stringList); },
     kUnreadable, kNothing},
    {"HeaderInsideTheTrailer", nullptr, [](Bytes& b) { b.setTrailerField(1, b.layout().trailer + 4); },
     kUnreadable, kNothing},
    {"StringListOnTheHeader", nullptr, [](Bytes& b) { b.setTrailerField(2, b.layout().header); },
     kUnreadable, kNothing},
    {"StringListOnTheFileTable", nullptr, [](Bytes& b) { b.setTrailerField(2, b.layout().fileTable); },
     kUnreadable, kNothing},
    {"FileTableOnTheStringList", nullptr, [](Bytes& b) { b.setTrailerField(3, b.layout().stringList); },
     kUnreadable, kNothing},
    {"FileTableOnTheHeader", nullptr, [](Bytes& b) { b.setTrailerField(3, b.layout().header); },
     kUnreadable, kNothing},
    // File data read from the records instead: as long as it lies inside the
    // book it is extracted as it stands.
    {"DataOverTheHeader", nullptr,
     [](Bytes& b) { b.setWord(b.entryOffset(2), b.layout().header - b.trailer().dataBase); }, kSilent, kAll},
    {"DataShared", [](BookInfo&, Entries& e) { e[2].offset = e[0].offset, e[2].size = e[0].size; }, nullptr,
     kSilent, kAll},
    {"DataBaseOnTheHeader", nullptr, [](Bytes& b) { b.setTrailerField(4, b.trailer().headerOffset); },
     kFileFailed, kIndexOnly},

    // Where the file data counts from.
    {"DataBaseNegative", nullptr, [](Bytes& b) { b.setTrailerField(4, -1000000); }, kFileFailed, kFolderOnly},
    {"DataBaseMostNegative", nullptr, [](Bytes& b) { b.setTrailerField(4, INT32_MIN); }, kFileFailed, kFolderOnly},
    {"DataBasePastTheEnd", nullptr, [](Bytes& b) { b.setTrailerField(4, b.size() + 10); }, kFileFailed, kFolderOnly},
    {"DataBaseLargest", nullptr, [](Bytes& b) { b.setTrailerField(4, INT32_MAX); }, kFileFailed, kFolderOnly},

    // Counts negative, huge or disagreeing.
    {"FileCountZero", [](BookInfo& i, Entries&) { i.fileCount = 0; }, nullptr, {kNoFiles}, kNothing},
    {"FileCountNegative", [](BookInfo& i, Entries&) { i.fileCount = -1; }, nullptr, {kFileCountsDiffer}, kNothing},
    {"FileCountMostNegative", [](BookInfo& i, Entries&) { i.fileCount = INT32_MIN; }, nullptr,
     {kFileCountsDiffer}, kNothing},
    {"FileCountLargest", [](BookInfo& i, Entries&) { i.fileCount = INT32_MAX; }, nullptr,
     {kFileCountsDiffer}, kNothing},
    {"FileCountOneMore", [](BookInfo& i, Entries&) { i.fileCount = 4; }, nullptr, {kFileCountsDiffer}, kNothing},
    {"FileCountOneFewer", [](BookInfo& i, Entries&) { i.fileCount = 2; }, nullptr, {kFileCountsDiffer}, kNothing},
    {"TableCountLargest", nullptr, [](Bytes& b) { b.setWord(b.layout().fileTable + 4, INT32_MAX); },
     kUnreadable, kNothing},
    {"TableCountNegative", nullptr, [](Bytes& b) { b.setWord(b.layout().fileTable + 4, -5); },
     {kFileCountsDiffer}, kNothing},
    {"TableCountZero", nullptr, [](Bytes& b) { b.setWord(b.layout().fileTable + 4, 0); },
     {kFileCountsDiffer}, kNothing},
    {"BothCountsZero", [](BookInfo& i, Entries&) { i.fileCount = 0; },
     [](Bytes& b) { b.setWord(b.layout().fileTable + 4, 0); }, {kNoFiles}, kNothing},
    {"BothCountsOneMoreThanTheRecords", [](BookInfo& i, Entries&) { i.fileCount = 4; },
     [](Bytes& b) { b.setWord(b.layout().fileTable + 4, 4); }, kUnreadable, kNothing},
    {"StringCountLargest", nullptr, [](Bytes& b) { b.setWord(b.layout().stringList + 4, INT32_MAX); },
     kUnreadable, kNothing},
    {"StringCountOneMore", nullptr, [](Bytes& b) { b.setWord(b.layout().stringList + 4, 3); },
     kUnreadable, kNothing},
    // No texts follow a negative count: the rest of the section is never read.
    {"StringCountNegative", nullptr, [](Bytes& b) { b.setWord(b.layout().stringList + 4, -1); }, kSilent, kAll},

    // Text lengths past the end or negative.
    {"TitleLengthPastTheEnd", nullptr, [](Bytes& b) { b.setWord(b.titleLength(), b.size()); }, kUnreadable, kNothing},
    {"TitleLengthLargest", nullptr, [](Bytes& b) { b.setWord(b.titleLength(), INT32_MAX); }, kUnreadable, kNothing},
    {"TitleLengthNegative", nullptr, [](Bytes& b) { b.setWord(b.titleLength(), -1); }, kUnreadable, kNothing},
    {"TitleLengthMostNegative", nullptr, [](Bytes& b) { b.setWord(b.titleLength(), INT32_MIN); },
     kUnreadable, kNothing},
    {"EsbnLengthPastTheEnd", nullptr, [](Bytes& b) { b.setWord(b.esbnLength(), b.size()); }, kUnreadable, kNothing},
    {"StringLengthPastTheEnd", nullptr, [](Bytes& b) { b.setWord(b.firstStringLength(), b.size()); },
     kUnreadable, kNothing},
    {"StringLengthNegative", nullptr, [](Bytes& b) { b.setWord(b.firstStringLength(), -3); }, kUnreadable, kNothing},
    {"NameLengthLargest", nullptr, [](Bytes& b) { b.setWord(b.entryNameLength(1), INT32_MAX); },
     kUnreadable, kNothing},
    {"NameLengthNegative", nullptr, [](Bytes& b) { b.setWord(b.entryNameLength(0), -2); }, kUnreadable, kNothing},
    // Read cut at the zero byte, the title no longer matches its check values.
    {"TitleHoldsAZeroByte", [](BookInfo& i, Entries&) { i.title = std::string("A Test\0Book", 11); }, nullptr,
     kUnreadable, kNothing},
    {"EsbnHoldsAZeroByte", [](BookInfo& i, Entries&) { i.esbn = std::string("bad\0/../../pagora-escape", 24); },
     nullptr, kSilent, kAll},

    // Stored names: empty, absolute, climbing out, holding a zero byte, too long.
    {"NameEmpty", [](BookInfo&, Entries& e) { e[2].name = ""; }, nullptr, kFileFailed, kFirstTwo},
    {"NameAbsolute", [](BookInfo&, Entries& e) { e[2].name = "/pagora-escape.html"; }, nullptr,
     kFileFailed, kFirstTwo},
    {"NameInTheParent", [](BookInfo&, Entries& e) { e[2].name = "..\\pagora-escape.html"; }, nullptr,
     kFileFailed, kFirstTwo},
    {"NameInTheParentWithSlash", [](BookInfo&, Entries& e) { e[2].name = "../pagora-escape.html"; }, nullptr,
     kFileFailed, kFirstTwo},
    {"NameClimbingOutOfASubfolder", [](BookInfo&, Entries& e) { e[2].name = "images\\..\\..\\pagora-escape.html"; },
     nullptr, kFileFailed, kFirstTwo},
    {"NameClimbingFar", [](BookInfo&, Entries& e) { e[2].name = "..\\..\\..\\..\\..\\..\\..\\..\\pagora-escape"; },
     nullptr, kFileFailed, kFirstTwo},
    {"NameWithADrive", [](BookInfo&, Entries& e) { e[2].name = "C:\\pagora-escape.html"; }, nullptr,
     kFileFailed, kFirstTwo},
    {"NameEndingInASeparator", [](BookInfo&, Entries& e) { e[2].name = "notes\\"; }, nullptr, kFileFailed, kFirstTwo},
    {"NameDot", [](BookInfo&, Entries& e) { e[2].name = "."; }, nullptr, kFileFailed, kFirstTwo},
    {"NameHoldsAZeroByte", [](BookInfo&, Entries& e) { e[2].name = std::string("notes\0/../pagora-escape", 23); },
     nullptr, kSilent, plus(kFirstTwo, "bad.qvx/notes")},
    {"NameLongerThanAFileName", [](BookInfo&, Entries& e) { e[2].name = std::string(300, 'n'); }, nullptr,
     kFileFailed, kFirstTwo},
    {"NamePathLongerThanTheSystemTakes", [](BookInfo&, Entries& e) { e[2].name = deepPath(kBeyondPathMax); },
     nullptr, kFileFailed, kFirstTwo},
    {"NameOfAFolderMadeBefore", [](BookInfo&, Entries& e) { e[2].name = "images"; }, nullptr, kFileFailed, kFirstTwo},
    {"NameBelowAStoredFile", [](BookInfo&, Entries& e) { e[2].name = "index.html\\x"; }, nullptr,
     kFileFailed, kFirstTwo},
    {"NameRepeated", [](BookInfo&, Entries& e) { e[2].name = "index.html"; }, nullptr, kSilent, kFirstTwo},

    // File data past the end of the book, or before its start.
    {"DataSizePastTheEnd", [](BookInfo&, Entries& e) { e[2].size = 1 << 30; }, nullptr, kFileFailed, kFirstTwo},
    {"DataSizeLargest", [](BookInfo&, Entries& e) { e[2].size = INT32_MAX; }, nullptr, kFileFailed, kFirstTwo},
    {"DataSizeOneBytePastTheEnd", nullptr,
     [](Bytes& b) { b.setWord(b.entrySize(2), b.size() - b.trailer().dataBase - b.table().entryAt(2).offset + 1); },
     kFileFailed, kFirstTwo},
    {"DataOffsetPastTheEnd", [](BookInfo&, Entries& e) { e[2].offset = 1 << 30; }, nullptr, kFileFailed, kFirstTwo},
    {"DataOffsetLargest", [](BookInfo&, Entries& e) { e[2].offset = INT32_MAX; }, nullptr, kFileFailed, kFirstTwo},
    {"DataOffsetBeforeTheFile", nullptr, [](Bytes& b) { b.setWord(b.entryOffset(2), -b.trailer().dataBase - 1); },
     kFileFailed, kFirstTwo},
    {"DataOffsetMostNegative", [](BookInfo&, Entries& e) { e[2].offset = INT32_MIN; }, nullptr,
     kFileFailed, kFirstTwo},
    {"CoverDataPastTheEnd", [](BookInfo&, Entries& e) { e[1].size = 1 << 30; }, nullptr, kFileFailed, kIndexOnly},
    // A size of zero or less is an empty file.
    {"DataSizeNegative", [](BookInfo&, Entries& e) { e[2].size = -1; }, nullptr, kSilent, kAll},
    {"DataSizeMostNegative", [](BookInfo&, Entries& e) { e[2].size = INT32_MIN; }, nullptr, kSilent, kAll},

    // Esbns that would put the private folder elsewhere, or cannot name one.
    {"EsbnClimbingOut", [](BookInfo& i, Entries&) { i.esbn = "..\\pagora-escape"; }, nullptr,
     kFolderRefused, kNothing},
    {"EsbnAbsolute", [](BookInfo& i, Entries&) { i.esbn = "/pagora-escape"; }, nullptr, kFolderRefused, kNothing},
    {"EsbnLongerThanAFileName", [](BookInfo& i, Entries&) { i.esbn = std::string(300, 'e'); }, nullptr,
     kFolderRefused, kNothing},
    {"EsbnPathLongerThanTheSystemTakes", [](BookInfo& i, Entries&) { i.esbn = deepPath(kBeyondPathMax); }, nullptr,
     kFolderRefused, kNothing},
};
// clang-format on

class BadBookTest : public ContainedRunTest, public ::testing::WithParamInterface<BadBookRow> {};

TEST_P(BadBookTest, TellsTheReaderAndStaysInsideThePrivateFolder) {
  const BadBookRow& row = GetParam();
  const std::string book = workspace() + "books/" + row.name;
  writeBadBook(book, row.records, row.bytes);
  const ContainedOutcome outcome = runContained(book);
  EXPECT_EQ(outcome.notices, row.notices);
  EXPECT_EQ(outcome.kept, row.kept);
}

INSTANTIATE_TEST_SUITE_P(Table, BadBookTest, ::testing::ValuesIn(kBadBooks),
                         [](const ::testing::TestParamInfo<BadBookRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pagora::robustness
