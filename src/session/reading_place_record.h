// The text of the reading-places record: where the reader left off in each
// book, one line per esbn under a header line that names the format. It holds
// no text of the book, only the page's stored name, numbers and the names of
// the viewer's own settings. Fields are separated by tabs; bytes that would
// break a line or a field are written as %XX. Reading is forgiving: a line
// that does not read as a whole entry is left out, the others stay.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pagora {

struct ReadingPlace {
  // The stored name of the page, as the book has it; empty for the start page.
  std::string page;
  // How far the page was scrolled down, in CSS pixels.
  std::int64_t scrollY = 0;
  // The viewer's names of its text size and reading style; the viewer decides
  // what a name it does not know means.
  std::string textSize;
  std::string style;
  // The window's size in pixels; 0 for the viewer's default.
  int windowWidth = 0;
  int windowHeight = 0;

  bool operator==(const ReadingPlace&) const = default;
};

struct ReadingPlaceEntry {
  std::string esbn;  // never empty: books without one are not remembered
  ReadingPlace place;

  bool operator==(const ReadingPlaceEntry&) const = default;
};

// Limits a value must keep to be read back; larger ones make the line unreadable.
inline constexpr std::int64_t kMaxScrollY = 1'000'000'000;
inline constexpr int kMaxWindowSide = 100'000;

// The record's text for `entries`, in their order (oldest first).
std::string formatReadingPlaces(std::span<const ReadingPlaceEntry> entries);

// The entries of a record's text, oldest first. Nothing without the header
// line; a line that is not a whole entry, or holds an empty esbn, a value out
// of its limits or a broken %XX, is left out; of two entries for one esbn the
// later replaces the earlier, in the later one's place.
std::vector<ReadingPlaceEntry> parseReadingPlaces(std::string_view text);

}  // namespace pagora
