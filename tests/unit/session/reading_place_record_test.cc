// The text of the reading-places record: what is written reads back the same
// whatever bytes the names hold, and a damaged record keeps its whole entries
// and nothing else.
#include "session/reading_place_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace pagora::testing {
namespace {

const std::string kHeader = "pagora reading places 1\n";
const std::string kGood = "book\tindex.html\t120\tmedium\tsepia\t800\t600";

TEST(ReadingPlaceRecordTest, ReadsBackWhatItWroteWhateverTheNamesHold) {
  const std::vector<ReadingPlaceEntry> entries{
      {"plain", {"index.html", 0, "medium", "book", 0, 0}},
      {"tab\there\nline %25 \\back/slash \xC3\xBCn\x7F\x01", {"images\\a b%.html", 1'000'000'000, "x\ty", "\n", 1, 2}},
      {"limits", {"", kMaxScrollY, "", "", kMaxWindowSide, kMaxWindowSide}},
  };
  const std::string text = formatReadingPlaces(entries);
  EXPECT_EQ(parseReadingPlaces(text), entries);
  // One line per entry under the header: nothing a name holds breaks a line.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
}

struct DamageCase {
  const char* name;
  std::string text;
  std::vector<std::pair<std::string, std::int64_t>> kept;  // esbn and scroll position, in order
};

TEST(ReadingPlaceRecordTest, DamagedRecordsKeepTheirWholeEntriesOnly) {
  const std::string other = "other\tb.html\t7\tlarger\tdark\t640\t480\n";
  const DamageCase cases[] = {
      {"empty", "", {}},
      {"no header", kGood + "\n", {}},
      {"another version", "pagora reading places 2\n" + kGood + "\n", {}},
      {"header only", kHeader, {}},
      {"last line without a line feed", kHeader + other + kGood, {{"other", 7}, {"book", 120}}},
      {"cut short", kHeader + other + "book\tindex.html\t12", {{"other", 7}}},
      {"a field too few", kHeader + "book\tindex.html\t120\tmedium\tsepia\t800\n" + other, {{"other", 7}}},
      {"a field too many", kHeader + kGood + "\t1\n" + other, {{"other", 7}}},
      {"empty esbn", kHeader + "\tindex.html\t120\tmedium\tsepia\t800\t600\n" + other, {{"other", 7}}},
      {"negative scroll", kHeader + "book\tindex.html\t-1\tmedium\tsepia\t800\t600\n" + other, {{"other", 7}}},
      {"scroll beyond its limit", kHeader + "book\tindex.html\t1000000001\tmedium\tsepia\t800\t600\n" + other,
       {{"other", 7}}},
      {"scroll with a unit", kHeader + "book\tindex.html\t12px\tmedium\tsepia\t800\t600\n" + other, {{"other", 7}}},
      {"empty width", kHeader + "book\tindex.html\t12\tmedium\tsepia\t\t600\n" + other, {{"other", 7}}},
      {"height beyond its limit", kHeader + "book\tindex.html\t12\tmedium\tsepia\t800\t100001\n" + other,
       {{"other", 7}}},
      {"number overflowing", kHeader + "book\tindex.html\t99999999999999999999\tmedium\tsepia\t8\t6\n" + other,
       {{"other", 7}}},
      {"escape cut short", kHeader + "bo%4\tindex.html\t12\tmedium\tsepia\t800\t600\n" + other, {{"other", 7}}},
      {"escape not hexadecimal", kHeader + "book\tindex%G0.html\t12\tmedium\tsepia\t800\t600\n" + other,
       {{"other", 7}}},
      {"lines ending in CR LF", kHeader + kGood + "\r\n" + other, {{"other", 7}}},
      {"binary junk", kHeader + std::string("\0\xFF\x01\t\t\t\t\t\t\n", 10) + other, {{"other", 7}}},
      {"one esbn twice: the later, in its place",
       kHeader + kGood + "\n" + other + "book\tb.html\t3\tmedium\tdark\t800\t600\n", {{"other", 7}, {"book", 3}}},
  };
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::pair<std::string, std::int64_t>> kept;
    for (const ReadingPlaceEntry& entry : parseReadingPlaces(c.text)) kept.emplace_back(entry.esbn, entry.place.scrollY);
    EXPECT_EQ(kept, c.kept);
  }
}

}  // namespace
}  // namespace pagora::testing
