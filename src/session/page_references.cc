#include "session/page_references.h"

#include <cstddef>

namespace pagora {
namespace {

constexpr std::size_t npos = std::string_view::npos;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool isAlphanumeric(char c) { return (c >= '0' && c <= '9') || (lower(c) >= 'a' && lower(c) <= 'z'); }

// `word` in lower case.
bool startsWithNoCase(std::string_view text, std::size_t at, std::string_view word) {
  if (at > text.size() || text.size() - at < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (lower(text[at + i]) != word[i]) return false;
  }
  return true;
}

// `word` in lower case; text.size() when absent.
std::size_t findNoCase(std::string_view text, std::string_view word, std::size_t from) {
  for (std::size_t at = from; at + word.size() <= text.size(); ++at) {
    if (startsWithNoCase(text, at, word)) return at;
  }
  return text.size();
}

bool containsNoCase(std::string_view text, std::string_view word) {
  return findNoCase(text, word, 0) != text.size();
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::string lowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = lower(c);
  return out;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = lower(c);
  return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
}

// The character references an address is likely to hold; others stay as written.
std::string decodeEntities(std::string_view value) {
  static constexpr struct {
    std::string_view name;
    char c;
  } kNamed[] = {{"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&lt;", '<'}, {"&gt;", '>'}};
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size();) {
    if (value[i] != '&') {
      out += value[i++];
      continue;
    }
    bool decoded = false;
    for (const auto& named : kNamed) {
      if (startsWithNoCase(value, i, named.name)) {
        out += named.c;
        i += named.name.size();
        decoded = true;
        break;
      }
    }
    if (!decoded && value.substr(i, 2) == "&#") {
      const bool hex = i + 2 < value.size() && lower(value[i + 2]) == 'x';
      std::size_t at = i + (hex ? 3 : 2);
      int code = 0;
      const std::size_t digitsFrom = at;
      while (at < value.size() && code < 128 && (hex ? hexValue(value[at]) >= 0 : (value[at] >= '0' && value[at] <= '9'))) {
        code = code * (hex ? 16 : 10) + (hex ? hexValue(value[at]) : value[at] - '0');
        ++at;
      }
      if (at > digitsFrom && at < value.size() && value[at] == ';' && code > 0 && code < 128) {
        out += static_cast<char>(code);
        i = at + 1;
        decoded = true;
      }
    }
    if (!decoded) out += value[i++];
  }
  return out;
}

void scanStyleSheet(std::string_view css, std::vector<std::string>& out) {
  std::size_t i = 0;
  while (i < css.size()) {
    if (css.substr(i, 2) == "/*") {
      const std::size_t end = css.find("*/", i + 2);
      if (end == npos) return;
      i = end + 2;
    } else if (startsWithNoCase(css, i, "url(")) {
      i += 4;
      while (i < css.size() && isSpace(css[i])) ++i;
      std::size_t end;
      if (i < css.size() && (css[i] == '"' || css[i] == '\'')) {
        end = css.find(css[i], i + 1);
        if (end == npos) return;
        out.emplace_back(css.substr(i + 1, end - i - 1));
        end = css.find(')', end);
      } else {
        end = css.find(')', i);
        if (end == npos) return;
        out.emplace_back(trimmed(css.substr(i, end - i)));
      }
      if (end == npos) return;
      i = end + 1;
    } else if (startsWithNoCase(css, i, "@import")) {
      i += 7;
      while (i < css.size() && isSpace(css[i])) ++i;
      if (i < css.size() && (css[i] == '"' || css[i] == '\'')) {
        const std::size_t end = css.find(css[i], i + 1);
        if (end == npos) return;
        out.emplace_back(css.substr(i + 1, end - i - 1));
        i = end + 1;
      }
    } else {
      ++i;
    }
  }
}

struct Attribute {
  std::string name;  // lower case
  std::string_view value;
};

std::string_view valueOf(const std::vector<Attribute>& attributes, std::string_view name) {
  for (const Attribute& attribute : attributes) {
    if (attribute.name == name) return attribute.value;
  }
  return {};
}

bool isOneOf(std::string_view tag, std::initializer_list<std::string_view> tags) {
  for (std::string_view candidate : tags) {
    if (tag == candidate) return true;
  }
  return false;
}

// The addresses a tag has fetched with the page.
void collect(const std::string& tag, const std::vector<Attribute>& attributes, std::vector<std::string>& out) {
  for (const Attribute& attribute : attributes) {
    const std::string& name = attribute.name;
    const std::string value = decodeEntities(attribute.value);
    if (name == "style") {
      scanStyleSheet(value, out);
    } else if (name == "src" && isOneOf(tag, {"img", "script", "iframe", "frame", "embed", "input", "source", "audio",
                                             "video", "track"})) {
      out.push_back(value);
    } else if (name == "href" && tag == "link") {
      const std::string_view rel = valueOf(attributes, "rel");
      if (containsNoCase(rel, "stylesheet") || containsNoCase(rel, "icon")) out.push_back(value);
    } else if ((name == "data" && tag == "object") || (name == "poster" && tag == "video") || name == "background") {
      out.push_back(value);
    } else if (name == "srcset" && isOneOf(tag, {"img", "source"})) {
      // Candidates are separated by commas, each an address and a size.
      std::string_view rest = value;
      while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view candidate = trimmed(rest.substr(0, comma));
        const std::size_t space = candidate.find_first_of(" \t\n\r\f");
        if (!candidate.empty()) out.emplace_back(candidate.substr(0, space));
        rest = comma == npos ? std::string_view() : rest.substr(comma + 1);
      }
    }
  }
}

void scanPage(std::string_view html, std::vector<std::string>& out) {
  const std::size_t n = html.size();
  std::vector<Attribute> attributes;
  std::size_t i = 0;
  while ((i = html.find('<', i)) != npos) {
    if (html.substr(i, 4) == "<!--") {
      const std::size_t end = html.find("-->", i + 4);
      if (end == npos) return;
      i = end + 3;
      continue;
    }
    ++i;
    if (i < n && (html[i] == '!' || html[i] == '?' || html[i] == '/')) {
      i = html.find('>', i);
      if (i == npos) return;
      continue;
    }
    const std::size_t nameStart = i;
    while (i < n && isAlphanumeric(html[i])) ++i;
    if (i == nameStart) continue;
    const std::string tag = lowerCase(html.substr(nameStart, i - nameStart));
    attributes.clear();
    while (i < n && html[i] != '>') {
      if (isSpace(html[i]) || html[i] == '/') {
        ++i;
        continue;
      }
      const std::size_t attributeStart = i;
      while (i < n && !isSpace(html[i]) && html[i] != '=' && html[i] != '>' && html[i] != '/') ++i;
      if (i == attributeStart) {
        ++i;  // a stray '=' or quote
        continue;
      }
      Attribute attribute{lowerCase(html.substr(attributeStart, i - attributeStart)), {}};
      while (i < n && isSpace(html[i])) ++i;
      if (i < n && html[i] == '=') {
        ++i;
        while (i < n && isSpace(html[i])) ++i;
        if (i < n && (html[i] == '"' || html[i] == '\'')) {
          const std::size_t end = html.find(html[i], i + 1);
          if (end == npos) return;
          attribute.value = html.substr(i + 1, end - i - 1);
          i = end + 1;
        } else {
          const std::size_t valueStart = i;
          while (i < n && !isSpace(html[i]) && html[i] != '>') ++i;
          attribute.value = html.substr(valueStart, i - valueStart);
        }
      }
      attributes.push_back(std::move(attribute));
    }
    if (i < n) ++i;
    collect(tag, attributes, out);
    // Their text is not markup: a "<img" inside a script is no picture.
    if (tag == "style" || tag == "script" || tag == "textarea" || tag == "title") {
      const std::size_t end = findNoCase(html, "</" + tag, i);
      if (tag == "style") scanStyleSheet(html.substr(i, end - i), out);
      i = end;
    }
  }
}

bool endsWithNoCase(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() && startsWithNoCase(text, text.size() - ending.size(), ending);
}

std::string percentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i] == '\\' ? '/' : text[i];
    }
  }
  return out;
}

}  // namespace

std::optional<ReferringText> referringTextOf(std::string_view name) {
  if (endsWithNoCase(name, ".html") || endsWithNoCase(name, ".htm") || endsWithNoCase(name, ".xhtml")) {
    return ReferringText::Page;
  }
  if (endsWithNoCase(name, ".css")) return ReferringText::StyleSheet;
  return std::nullopt;
}

std::vector<std::string> scanReferences(std::string_view text, ReferringText kind) {
  std::vector<std::string> found;
  if (kind == ReferringText::Page) {
    scanPage(text, found);
  } else {
    scanStyleSheet(text, found);
  }
  return found;
}

std::string resolveStoredReference(std::string_view from, std::string_view address) {
  address = trimmed(address);
  // A scheme ("http:", "data:", "file:", a drive letter) leads outside the book.
  if (!address.empty() && lower(address[0]) >= 'a' && lower(address[0]) <= 'z') {
    std::size_t i = 1;
    while (i < address.size() && (isAlphanumeric(address[i]) || address[i] == '+' || address[i] == '-' ||
                                  address[i] == '.')) {
      ++i;
    }
    if (i < address.size() && address[i] == ':') return {};
  }
  address = address.substr(0, address.find_first_of("?#"));
  const std::string path = percentDecoded(address);
  if (path.empty() || path.front() == '/' || path.back() == '/' || path.find('\0') != std::string::npos) return {};

  std::vector<std::string_view> segments;
  const std::size_t fromFolder = from.rfind('/');
  std::string_view folder = fromFolder == npos ? std::string_view() : from.substr(0, fromFolder);
  const auto append = [&segments](std::string_view text) {
    std::size_t start = 0;
    while (start <= text.size()) {
      const std::size_t slash = std::min(text.find('/', start), text.size());
      const std::string_view segment = text.substr(start, slash - start);
      if (segment == "..") {
        if (segments.empty()) return false;
        segments.pop_back();
      } else if (!segment.empty() && segment != ".") {
        segments.push_back(segment);
      }
      start = slash + 1;
    }
    return true;
  };
  const std::string_view last = std::string_view(path).substr(path.rfind('/') + 1);
  if (last == "." || last == ".." || !append(folder) || !append(path) || segments.empty()) return {};
  std::string resolved;
  for (std::string_view segment : segments) {
    if (!resolved.empty()) resolved += '/';
    resolved += segment;
  }
  return resolved;
}

}  // namespace pagora
