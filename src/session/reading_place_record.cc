#include "session/reading_place_record.h"

#include <charconv>
#include <optional>
#include <unordered_map>

namespace pagora {
namespace {

constexpr std::string_view kHeader = "pagora reading places 1";
constexpr char kHexDigits[] = "0123456789ABCDEF";

bool needsEscape(unsigned char c) { return c < 0x20 || c == 0x7F || c == '%'; }

void appendField(std::string& out, std::string_view field) {
  for (const char c : field) {
    const auto byte = static_cast<unsigned char>(c);
    if (needsEscape(byte)) {
      out += '%';
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0xF];
    } else {
      out += c;
    }
  }
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> decodeField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    const auto byte = static_cast<unsigned char>(field[i]);
    // What the writer escapes never stands bare in a line it wrote.
    if (byte < 0x20 || byte == 0x7F) return std::nullopt;
    if (byte != '%') {
      out += field[i];
      continue;
    }
    if (i + 2 >= field.size()) return std::nullopt;
    const int high = hexValue(field[i + 1]);
    const int low = hexValue(field[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

template <typename Number>
std::optional<Number> decodeNumber(std::string_view field, Number low, Number high) {
  Number value{};
  const char* end = field.data() + field.size();
  const auto [stop, error] = std::from_chars(field.data(), end, value);
  if (field.empty() || error != std::errc{} || stop != end || value < low || value > high) return std::nullopt;
  return value;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  while (true) {
    const auto at = text.find(separator);
    pieces.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return pieces;
    text.remove_prefix(at + 1);
  }
}

std::optional<ReadingPlaceEntry> parseEntry(std::string_view line) {
  const auto fields = split(line, '\t');
  if (fields.size() != 7) return std::nullopt;
  auto esbn = decodeField(fields[0]);
  auto page = decodeField(fields[1]);
  const auto scrollY = decodeNumber<std::int64_t>(fields[2], 0, kMaxScrollY);
  auto textSize = decodeField(fields[3]);
  auto style = decodeField(fields[4]);
  const auto width = decodeNumber<int>(fields[5], 0, kMaxWindowSide);
  const auto height = decodeNumber<int>(fields[6], 0, kMaxWindowSide);
  if (!esbn || esbn->empty() || !page || !scrollY || !textSize || !style || !width || !height) return std::nullopt;
  return ReadingPlaceEntry{std::move(*esbn),
                           {std::move(*page), *scrollY, std::move(*textSize), std::move(*style), *width, *height}};
}

}  // namespace

std::string formatReadingPlaces(std::span<const ReadingPlaceEntry> entries) {
  std::string out(kHeader);
  out += '\n';
  for (const ReadingPlaceEntry& entry : entries) {
    const ReadingPlace& place = entry.place;
    appendField(out, entry.esbn);
    out += '\t';
    appendField(out, place.page);
    out += '\t' + std::to_string(place.scrollY) + '\t';
    appendField(out, place.textSize);
    out += '\t';
    appendField(out, place.style);
    out += '\t' + std::to_string(place.windowWidth) + '\t' + std::to_string(place.windowHeight) + '\n';
  }
  return out;
}

std::vector<ReadingPlaceEntry> parseReadingPlaces(std::string_view text) {
  const auto lines = split(text, '\n');
  if (lines.empty() || lines.front() != kHeader) return {};
  // Linear in the lines however many repeat an esbn: a damaged record may be long.
  std::vector<std::optional<ReadingPlaceEntry>> read;
  std::unordered_map<std::string, std::size_t> latest;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    auto entry = parseEntry(lines[i]);
    if (!entry) continue;
    const auto [known, added] = latest.try_emplace(entry->esbn, read.size());
    if (!added) {
      read[known->second].reset();
      known->second = read.size();
    }
    read.push_back(std::move(entry));
  }
  std::vector<ReadingPlaceEntry> entries;
  entries.reserve(latest.size());
  for (auto& entry : read) {
    if (entry) entries.push_back(std::move(*entry));
  }
  return entries;
}

}  // namespace pagora
